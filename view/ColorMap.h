// Colour indexes for entities: the fixed palette, the colour maps painters keep per entity list
// and their default schemes, and how a map is kept in the view settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "view/Canvas.h"

namespace zep::model {
class TEntity;
class TEntityList;
class TProject;
} // namespace zep::model

namespace zep::view {

class TViewSettings;

/// An index into the palette; 0 means "no colour" and draws grey.
using tColorIndex = std::uint16_t;

constexpr int kPaletteSize = 15;
/// The palette colour of `index`, clamped to 0..14 first.
TColor PaletteColor(int index);

/// A colour index per entity position in one entity list. Positions outside the map give 0.
class TColorMap {
public:
    /// The last position read from or written to the settings.
    static constexpr std::size_t kMaxStoredPosition = 8192;

    explicit TColorMap(const model::TEntityList* list = nullptr) : list_(list) {}
    virtual ~TColorMap() = default;

    // Operations in the order the map classes override them.
    virtual void Assign(const TColorMap& other);
    virtual void Clear();
    /// Every entity of the list gets its default index (what was set is lost).
    virtual void ResetToDefaults();
    /// Entities the map does not cover yet get their default index; set entries stay.
    virtual void ApplyDefaults();
    virtual std::string DefaultSchemeName() const { return "Default"; }

    /// The default of the entity at `position`: (position mod 8191) + 1.
    virtual tColorIndex DefaultIndex(std::size_t position) const;

    tColorIndex Index(std::size_t position) const {
        return position < indexes_.size() ? indexes_[position] : 0;
    }
    /// The entity's index by its position in its list (0 for an entity in no list).
    tColorIndex IndexOf(const model::TEntity* entity) const;
    void Set(std::size_t position, tColorIndex index);
    std::size_t Count() const { return indexes_.size(); }
    const model::TEntityList* List() const { return list_; }
    /// Grows with every change of the indexes or the list: what a painter derived from the
    /// map is good while this stays.
    std::uint64_t Changes() const { return changes_; }
    void SetList(const model::TEntityList* list) {
        list_ = list;
        ++changes_;
    }

    /// Section `ownerSection` + ".ColorMap", integer keys "0".."8192". A section without keys
    /// leaves the map as it is, so defaults survive a first start.
    void Read(const TViewSettings& settings, std::string_view ownerSection);
    /// Erases the section, then writes the non-zero indexes.
    void Write(TViewSettings& settings, std::string_view ownerSection) const;

protected:
    std::size_t ListCount() const;

private:
    const model::TEntityList* list_;
    std::vector<tColorIndex> indexes_;
    std::uint64_t changes_ = 0;
};

/// A map over any entity list with the plain default.
class TEntityColorMap : public TColorMap {
public:
    using TColorMap::TColorMap;
};

/// Routes coloured by operator: (operator position mod 13) + 1, so a colour repeats every 13
/// operators.
class TRouteColorMap : public TColorMap {
public:
    using TColorMap::TColorMap;
    std::string DefaultSchemeName() const override { return "By Operator"; }
    tColorIndex DefaultIndex(std::size_t position) const override;
};

class TLinkTypeColorMap : public TColorMap {
public:
    using TColorMap::TColorMap;
};

/// Service levels A..H: 0, 5, 4, 10, 2, 1, 7, 8.
class TServiceLevelColorMap : public TColorMap {
public:
    using TColorMap::TColorMap;
    tColorIndex DefaultIndex(std::size_t position) const override;
};

} // namespace zep::view
