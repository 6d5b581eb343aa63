// The XML exchange form of a project, read: the document handler that builds every entity of
// the file into a project through the project's creation operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/ORVSAX.h"

namespace zep::model {
class TEntity;
class TEntityList;
class TProject;
class TPropSpec;
class TPropSpecSet;
class TScenario;
class TZEPPersistent;
} // namespace zep::model

namespace zep::files {

/// An identifier of the file that no earlier element registered: "Entity \"%s\" not found".
ZEP_DECLARE_EXCEPTION(EEntityNotFound, Exception);
/// A project file that could not be read, as the user sees it: "%0:s in File:\n%1:s" (the
/// backslash and the n are two characters of the text).
ZEP_DECLARE_EXCEPTION(EProjectLoadError, Exception);

/// Exchange identifiers ("n_12", "s_01A") of the entities read so far. 256 buckets chosen by the
/// first byte, each a list sorted by identifier; the first entity registered under an
/// identifier keeps it. Registrations are appended and merged into the sorted part on the next
/// lookup of their bucket, so a run of registrations costs no insertion shifts.
class TIdRegistry {
public:
    TIdRegistry();
    /// Ignored when `id` is empty or already registered.
    void Register(std::string_view id, model::TZEPPersistent* object);
    /// Raises EEntityNotFound for an empty or unregistered identifier.
    model::TZEPPersistent* Lookup(std::string_view id);
    /// nullptr for an empty or unregistered identifier.
    model::TZEPPersistent* Find(std::string_view id);
    void Clear();

private:
    struct Entry {
        std::string id;
        std::uint32_t serial; // registration order: the earliest wins a duplicate
        model::TZEPPersistent* object;
    };
    struct Bucket {
        std::vector<Entry> sorted;
        std::vector<Entry> pending;
    };
    void Merge(Bucket& bucket);
    std::vector<Bucket> buckets_;
    std::uint32_t serial_ = 0;
};

class TModelHandler;

/// One level of the handler stack: receives the events of the element that opened it and of
/// everything inside. This base ignores its whole subtree.
class TAbstractElementHandler {
public:
    explicit TAbstractElementHandler(TModelHandler& owner) : owner_(owner) {}
    virtual ~TAbstractElementHandler() = default;
    TAbstractElementHandler(const TAbstractElementHandler&) = delete;
    TAbstractElementHandler& operator=(const TAbstractElementHandler&) = delete;

    /// A child element started (its own end comes through EndChild).
    virtual void StartChild(std::string_view name, const TAttributeList& attributes);
    virtual void EndChild(std::string_view name);
    virtual void Characters(std::string_view text);
    /// The element that opened this handler ended; the handler is popped afterwards.
    virtual void End() {}

protected:
    TModelHandler& owner_;
};

/// The handler of one entity element: its desc, def and prop children.
class TEntityHandler : public TAbstractElementHandler {
public:
    explicit TEntityHandler(TModelHandler& owner) : TAbstractElementHandler(owner) {}
    /// Takes the trimmed `name` when present (the number from `id` was given at creation).
    virtual void Start(model::TEntity* entity, const TAttributeList& attributes);
    void StartChild(std::string_view name, const TAttributeList& attributes) override;
    void EndChild(std::string_view name) override;
    void Characters(std::string_view text) override;
    model::TEntity* Entity() const { return entity_; }

protected:
    /// A def (`versioned` false) or prop element.
    void Value(const TAttributeList& attributes, bool versioned);
    /// A def_id or prop_id element: the value of a property named by its identifier.
    void ValueById(const TAttributeList& attributes, bool versioned);
    /// A record the entity's element holds besides its values: a substitute of an interaction,
    /// a member of a macro zone, an attractor of an attraction function. False: not one.
    bool Record(std::string_view name, const TAttributeList& attributes);

    model::TEntity* entity_ = nullptr;

private:
    std::unique_ptr<TEntityHandler> nested_; // the attractor being read
    std::string desc_;
    std::size_t childDepth_ = 0; // elements open inside the entity's element
    bool inDesc_ = false;
};

/// The handler of one list element: every child element is one entity of the list.
class TEntityListHandler : public TAbstractElementHandler {
public:
    TEntityListHandler(TModelHandler& owner, std::string listName);
    void StartChild(std::string_view name, const TAttributeList& attributes) override;
    const std::string& ListName() const { return listName_; }
    /// Reports "Loading <list name>..." at `fraction`.
    void ShowProgress(double fraction) const;

protected:
    /// Makes (or finds) the entity the child describes; references through the registry.
    virtual model::TEntity* Create(const TAttributeList& attributes) = 0;

    std::string listName_;
    std::string caption_; // "Loading <list>...", made once: progress comes every percent
    TEntityHandler entityHandler_;
};

/// The document handler of the XML import: the handler stack, the identifier registry and the
/// project being filled. Reserves room in the three large lists at the start of the document
/// and gives back what was not used at its end.
class TModelHandler : public THandlerBase {
public:
    explicit TModelHandler(model::TProject& project);
    ~TModelHandler() override;

    void startDocument() override;
    void endDocument() override;
    void startElement(std::string_view name, const TAttributeList& attributes) override;
    void endElement(std::string_view name) override;
    void characters(std::string_view text, std::size_t start, std::size_t length) override;
    void progress(std::size_t position, std::size_t length) override;

    /// The document's length in bytes when known: no list gets room for more elements than a
    /// document of that length can hold.
    void SetDocumentSize(std::size_t bytes) { documentSize_ = bytes; }

    model::TProject& Project() const { return project_; }
    TIdRegistry& Registry() { return registry_; }
    /// Pushes `handler` (not owned) for the element being started.
    void Push(TAbstractElementHandler* handler);
    /// A handler that ignores the subtree of the element being started.
    void PushIgnore() { Push(&ignore_); }
    /// The object registered under `id`; EEntityNotFound otherwise.
    model::TZEPPersistent* Lookup(std::string_view id) { return registry_.Lookup(id); }
    /// The handler of the list element being read (nullptr: none); reports its progress.
    void SetCurrentList(const TEntityListHandler* list);

    /// The number of the element's `id` (prefix and "_" removed) for a new entity of `list`;
    /// 0 (the list numbers it) when there is none; a free number when the list holds it.
    /// `afterUnderscore`: the number follows the first "_" (kinds whose prefix is longer than
    /// one letter, "id_3").
    std::int32_t ClaimNumber(const TAttributeList& attributes, const model::TEntityList& list,
                             bool afterUnderscore = false);
    /// The scenario named by a `prop`'s `in` (the base scenario when empty).
    model::TScenario* ScenarioOf(std::string_view in);
    /// The specification of the kind whose exchange name is `name`; a name the kind does not
    /// declare gets the set's undeclared text specification.
    model::TPropSpec& SpecByExchangeName(model::TPropSpecSet& set, const std::string& name);

private:
    struct Level {
        TAbstractElementHandler* handler;
        std::size_t depth;
    };
    model::TProject& project_;
    TIdRegistry registry_;
    std::vector<Level> stack_;
    std::size_t depth_ = 0;
    TAbstractElementHandler ignore_;
    std::unique_ptr<TAbstractElementHandler> projectHandler_;
    const TEntityListHandler* currentList_ = nullptr;
    std::unordered_map<const model::TEntityList*, std::unordered_set<std::int32_t>> numbers_;
    std::size_t position_ = 0;
    std::size_t length_ = 0;
    std::size_t documentSize_ = 0; // 0: unknown
};

/// What the file leaves out because the study derives it, made again after reading: the
/// operators' access to links in every scenario (their internal link-routes) and the occupancy
/// of the operators' own routes.
void RestoreDerivedData(model::TProject& project);

/// Fills `project` (a new, empty one) from the XML file (gzip-compressed when it starts with
/// 1F 8B, whatever its extension), sorts its lists and records the file name. Errors pass as
/// they are (EEntityNotFound, the parser's, the decompressor's); the project is then partly
/// filled and must be discarded.
void LoadXmlProject(model::TProject& project, const std::string& fileName);
/// LoadXmlProject from bytes in memory (the fuzz target and tests); `systemId` names the input
/// in parse errors.
void LoadXmlProjectFromMemory(model::TProject& project, std::string data,
                              const std::string& systemId);
/// A new project read from the XML file; any failure raises EProjectLoadError with the message
/// "%0:s in File:\n%1:s" and leaves nothing behind.
std::unique_ptr<model::TProject> OpenXmlProject(const std::string& fileName);

} // namespace zep::files
