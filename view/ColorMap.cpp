#include "view/ColorMap.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "model/ENTITY.h"
#include "model/LINK.h"
#include "model/OPERATOR.h"
#include "view/ViewSettings.h"

namespace zep::view {

namespace {

constexpr std::array<TColor, kPaletteSize> kPalette = {
    0xC0C0C0, // grey
    0x0000FF, // red
    0xFF00FF, // magenta
    0x00FFFF, // yellow
    0x00FF00, // lime
    0xFFFF00, // aqua
    0xFF0000, // blue
    0x00007F, // dark red
    0x7F007F, // purple
    0x007F7F, // olive
    0x007F00, // green
    0x7F7F00, // teal
    0x7F0000, // navy
    0xC000C0, // violet
    0x00007F, // dark red
};

constexpr std::array<tColorIndex, 8> kServiceLevelDefaults = {0, 5, 4, 10, 2, 1, 7, 8};

std::string MapSection(std::string_view owner) {
    return std::string(owner) + ".ColorMap";
}

} // namespace

TColor PaletteColor(int index) {
    return kPalette[static_cast<std::size_t>(std::clamp(index, 0, kPaletteSize - 1))];
}

void TColorMap::Assign(const TColorMap& other) {
    list_ = other.list_;
    indexes_ = other.indexes_;
    ++changes_;
}

void TColorMap::Clear() {
    indexes_.clear();
    ++changes_;
}

std::size_t TColorMap::ListCount() const {
    return list_ ? list_->Count() : 0;
}

void TColorMap::ResetToDefaults() {
    Clear();
    ApplyDefaults();
}

void TColorMap::ApplyDefaults() {
    if (indexes_.size() < ListCount()) ++changes_;
    for (std::size_t i = indexes_.size(); i < ListCount(); ++i)
        indexes_.push_back(DefaultIndex(i));
}

tColorIndex TColorMap::DefaultIndex(std::size_t position) const {
    return static_cast<tColorIndex>(position % 8191 + 1);
}

tColorIndex TColorMap::IndexOf(const model::TEntity* entity) const {
    if (!entity || entity->ListIndex() < 0) return 0;
    return Index(static_cast<std::size_t>(entity->ListIndex()));
}

void TColorMap::Set(std::size_t position, tColorIndex index) {
    if (position >= indexes_.size()) indexes_.resize(position + 1, 0);
    indexes_[position] = index;
    ++changes_;
}

void TColorMap::Read(const TViewSettings& settings, std::string_view ownerSection) {
    const std::string section = MapSection(ownerSection);
    const std::vector<std::string> keys = settings.Keys(section);
    if (keys.empty()) return;
    indexes_.clear();
    ++changes_;
    for (const std::string& key : keys) {
        std::size_t position = 0;
        const auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), position);
        if (ec != std::errc() || end != key.data() + key.size() || position > kMaxStoredPosition)
            continue;
        const int index = settings.ReadInteger(section, key, 0);
        Set(position, static_cast<tColorIndex>(std::clamp(index, 0, 0xFFFF)));
    }
    if (indexes_.size() < ListCount()) indexes_.resize(ListCount(), 0);
}

void TColorMap::Write(TViewSettings& settings, std::string_view ownerSection) const {
    const std::string section = MapSection(ownerSection);
    settings.EraseSection(section);
    const std::size_t n = std::min(indexes_.size(), kMaxStoredPosition + 1);
    for (std::size_t i = 0; i < n; ++i)
        if (indexes_[i] != 0) settings.WriteInteger(section, std::to_string(i), indexes_[i]);
}

tColorIndex TRouteColorMap::DefaultIndex(std::size_t position) const {
    const model::TEntityList* routes = List();
    if (!routes || position >= routes->Count()) return 0;
    const auto* route = static_cast<const model::TRoute*>(routes->Get(position));
    const model::TOperator* op = route->Operator();
    if (!op || op->ListIndex() < 0) return 1;
    return static_cast<tColorIndex>(op->ListIndex() % 13 + 1);
}

tColorIndex TServiceLevelColorMap::DefaultIndex(std::size_t position) const {
    return position < kServiceLevelDefaults.size() ? kServiceLevelDefaults[position] : 0;
}

} // namespace zep::view
