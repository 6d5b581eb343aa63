#include "files/TXMLIn.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "foundation/Format.h"
#include "foundation/ORVGZipStreams.h"
#include "foundation/ORVXMLParser.h"
#include "foundation/OrvMessages.h"
#include "foundation/Stream.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::files {

using namespace zep::model;

namespace {

using undo::TNoUndoScope;

// The room the three large lists take before the first element arrives.
constexpr std::size_t kNodeRoom = 2000;
constexpr std::size_t kLinkRoom = 10000;
constexpr std::size_t kLinkRouteRoom = 40000;

std::string Attr(const TAttributeList& attributes, std::string_view name) {
    return Trim(attributes.getValue(name));
}

/// The number of an exchange identifier ("n_12" -> 12); false when there is none.
bool NumberOf(const std::string& id, std::int32_t& number) {
    if (id.size() <= 2) return false;
    std::int64_t v = 0;
    if (!TryStrToInt64(std::string_view(id).substr(2), v)) return false;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    number = static_cast<std::int32_t>(v);
    return true;
}

[[noreturn]] void NotFound(std::string_view id) {
    throw EEntityNotFound(Format("Entity \"%s\" not found", {std::string(id)}));
}

template <class T> T* LookupAs(TModelHandler& owner, const std::string& id) {
    auto* object = dynamic_cast<T*>(owner.Lookup(id));
    if (!object) NotFound(id);
    return object;
}

template <class T> T* LookupAttr(TModelHandler& owner, const TAttributeList& a, const char* name) {
    return LookupAs<T>(owner, Attr(a, name));
}

/// The reference written for a record that has none ("nil", the key text of an unset
/// reference), or the registered object.
template <class T>
T* LookupOptional(TModelHandler& owner, const TAttributeList& a, const char* name) {
    std::string id = Attr(a, name);
    if (id == "nil") return nullptr;
    return LookupAs<T>(owner, id);
}

/// A macro zone shares its key with a transport zone ("z_1"), so the writer never refers to one:
/// a reference read as one is refused, or what it made would not read again.
template <class T> T* NotMacroZone(T* object, const std::string& id) {
    if (dynamic_cast<TMacroZone*>(object)) NotFound(id);
    return object;
}

/// A node of the network: a node or a transport zone.
TNode* NetworkNodeAttr(TModelHandler& owner, const TAttributeList& a, const char* name) {
    const std::string id = Attr(a, name);
    return NotMacroZone(LookupAs<TNode>(owner, id), id);
}

TLink* LinkOf(TModelHandler& owner, const TAttributeList& a, const char* from, const char* to) {
    auto* tail = NetworkNodeAttr(owner, a, from);
    auto* head = NetworkNodeAttr(owner, a, to);
    TLink* link = owner.Project().FindLink(tail, head);
    if (!link) NotFound("l_" + tail->IdText() + "-" + head->IdText());
    return link;
}

// ---- the list handlers -------------------------------------------------------------------------

// Each list differs from the others only in how a child element makes its entity.
#define ZEP_LIST_HANDLER(Class, ...)                                                               \
    class Class : public TEntityListHandler {                                                      \
    public:                                                                                        \
        Class(TModelHandler& owner, std::string name)                                              \
            : TEntityListHandler(owner, std::move(name)) {}                                        \
                                                                                                   \
    protected:                                                                                     \
        TEntity* Create(const TAttributeList& a) override {                                        \
            TProject& p = owner_.Project();                                                        \
            (void)p;                                                                               \
            __VA_ARGS__                                                                            \
        }                                                                                          \
    }

ZEP_LIST_HANDLER(TScenariosHandler, {
    std::string id = Attr(a, "id");
    std::string name = id.size() > 2 ? id.substr(2) : std::string();
    TScenario* s;
    if (Attr(a, "previous").empty()) {
        s = p.BaseScenario();
    } else {
        s = p.NewScenario(LookupAttr<TScenario>(owner_, a, "previous"));
    }
    s->SetName(name);
    return s;
});
ZEP_LIST_HANDLER(TZonesHandler, {
    const std::int32_t number = owner_.ClaimNumber(a, p.Nodes());
    if (Attr(a, "kind") == "external") return p.NewExternalZone(number);
    return p.NewMicroZone(number);
});
ZEP_LIST_HANDLER(TMacroZonesHandler,
                 { return p.NewMacroZone(owner_.ClaimNumber(a, p.MacroZones())); });
ZEP_LIST_HANDLER(TCategoryModesHandler, {
    // Not an entity of its own: the category takes the mode (in the order of the file).
    auto* category = LookupAttr<TCategory>(owner_, a, "category");
    category->AddMode(LookupAttr<TMode>(owner_, a, "mode"));
    return category;
});
ZEP_LIST_HANDLER(TSectorCategoriesHandler, {
    auto* sector = LookupAttr<TSector>(owner_, a, "sector");
    TSectorCategory* record =
        sector->GetOrCreateSectorCategoryFor(LookupAttr<TCategory>(owner_, a, "category"));
    if (a.Has("type")) record->SetProperty(TSectorCategory::kType, TValue(Attr(a, "type")));
    return record;
});
ZEP_LIST_HANDLER(TAttractionFunctionsHandler, {
    // Made as it was written: a new function of the project would take the first sector as
    // its target.
    auto function = std::make_unique<TAttractionFunction>(&p);
    if (std::int32_t id = owner_.ClaimNumber(a, p.AttractionFunctions(), true); id != 0)
        function->SetId(id);
    TAttractionFunction* raw = function.get();
    p.AttractionFunctions().Add(raw);
    function.release();
    return raw;
});
ZEP_LIST_HANDLER(TCategoriesHandler,
                 { return p.NewCategory(owner_.ClaimNumber(a, p.Categories())); });
/// Sectors also take back `sector_type` and `target_sector`; a target may be a sector further
/// down the list, so targets are looked up when the list ends.
class TSectorsHandler : public TEntityListHandler {
public:
    TSectorsHandler(TModelHandler& owner, std::string name)
        : TEntityListHandler(owner, std::move(name)) {}
    void End() override {
        for (auto& [sector, target] : targets_)
            sector->SetProperty(TSector::kTargetSector, TValue(LookupAs<TSector>(owner_, target)));
        targets_.clear();
    }

protected:
    TEntity* Create(const TAttributeList& a) override {
        TProject& p = owner_.Project();
        TSector* sector = p.NewSector(owner_.ClaimNumber(a, p.Sectors()));
        if (a.Has("sector_type"))
            sector->SetProperty(TSector::kSectorType, TValue(Attr(a, "sector_type")));
        if (std::string target = Attr(a, "target_sector"); !target.empty() && target != "nil")
            targets_.emplace_back(sector, std::move(target));
        return sector;
    }

private:
    std::vector<std::pair<TSector*, std::string>> targets_;
};
ZEP_LIST_HANDLER(TSectorInteractionsHandler, {
    auto* sector = LookupAttr<TSector>(owner_, a, "sector");
    return sector->GetOrCreateInteractionWith(LookupAttr<TSector>(owner_, a, "input_sector"));
});
ZEP_LIST_HANDLER(TAdministratorsHandler,
                 { return p.NewAdministrator(owner_.ClaimNumber(a, p.Administrators())); });
ZEP_LIST_HANDLER(TModesHandler, { return p.NewMode(owner_.ClaimNumber(a, p.Modes())); });
ZEP_LIST_HANDLER(TOperatorsHandler, {
    TOperator* op =
        p.NewOperator(LookupAttr<TMode>(owner_, a, "mode"), owner_.ClaimNumber(a, p.Operators()));
    static const char* const kTypes[] = {"null", "auto", "normal", "route", "walk", "mode_change"};
    const std::string type = Attr(a, "type");
    for (std::int32_t i = 0; i < 6; ++i)
        if (type == kTypes[i]) op->SetType(i);
    return op;
});
ZEP_LIST_HANDLER(TTransfersHandler, {
    auto* from = LookupAttr<TOperator>(owner_, a, "from");
    return p.AddTransfer(from, LookupAttr<TOperator>(owner_, a, "to"));
});
ZEP_LIST_HANDLER(TOperatorCategoriesHandler, {
    auto* op = LookupAttr<TOperator>(owner_, a, "operator");
    return op->GetOrCreateOperatorCategoryFor(LookupAttr<TCategory>(owner_, a, "category"));
});
ZEP_LIST_HANDLER(TRoutesHandler, {
    auto* op = LookupAttr<TOperator>(owner_, a, "operator");
    TRoute* route = p.NewRoute(op, owner_.ClaimNumber(a, p.Routes()));
    op->SetType(otRoute);
    return route;
});
ZEP_LIST_HANDLER(TLinkTypesHandler,
                 { return p.NewLinkType(owner_.ClaimNumber(a, p.LinkTypes())); });
ZEP_LIST_HANDLER(TLinkTypeOperatorsHandler, {
    auto* op = LookupAttr<TOperator>(owner_, a, "operator");
    return LookupAttr<TLinkType>(owner_, a, "link_type")->GetOrCreateOperatorData(op);
});
ZEP_LIST_HANDLER(TNodesHandler, { return p.NewNode(owner_.ClaimNumber(a, p.Nodes())); });
ZEP_LIST_HANDLER(TLinksHandler, {
    auto* from = NetworkNodeAttr(owner_, a, "from");
    auto* to = NetworkNodeAttr(owner_, a, "to");
    if (TLink* existing = p.FindLink(from, to)) return existing;
    // As LinkBetween, but numbered before it enters the list: renumbering an entity in the
    // list makes the next new one scan the whole list for the largest identifier.
    auto link = std::make_unique<TLink>(&p, from, to);
    if (std::int32_t id = owner_.ClaimNumber(a, p.Links()); id != 0) {
        link->RawProperties().RawPut(kPropId, TValue(id));
        link->ResetIdCache();
    }
    link->stateFlags_ |= 1;
    TLink* raw = link.get();
    p.Links().Add(raw);
    link.release();
    return raw;
});
ZEP_LIST_HANDLER(TTurnsHandler, {
    TLink* link = LinkOf(owner_, a, "from", "thru");
    return link->GetOrCreateTurnTo(NetworkNodeAttr(owner_, a, "to"));
});
ZEP_LIST_HANDLER(TLinkRoutesHandler, {
    TLink* link = LinkOf(owner_, a, "from", "to");
    return p.NewLinkRoute(link, LookupAttr<TRoute>(owner_, a, "route"));
});
ZEP_LIST_HANDLER(TExogenousTripsHandler, {
    auto* from = LookupAttr<TTransportZone>(owner_, a, "from");
    auto* to = LookupAttr<TTransportZone>(owner_, a, "to");
    auto* category = LookupAttr<TCategory>(owner_, a, "category");
    auto* mode = LookupOptional<TMode>(owner_, a, "mode");
    return from->GetOrCreateODPairTo(to)->GetOrCreateCategoryModeFor(category, mode);
});
ZEP_LIST_HANDLER(TODPairsHandler, {
    auto* from = LookupAttr<TTransportZone>(owner_, a, "from");
    return from->GetOrCreateODPairTo(LookupAttr<TTransportZone>(owner_, a, "to"));
});
ZEP_LIST_HANDLER(TEconomicDataHandler, {
    auto* sector = LookupAttr<TSector>(owner_, a, "sector");
    return sector->GetOrCreateSectorZoneFor(
        NotMacroZone(LookupOptional<TZone>(owner_, a, "zone"), Attr(a, "zone")));
});

#undef ZEP_LIST_HANDLER

/// The root element: the project's own desc, def and prop, and one list element per kind.
class TProjectHandler : public TEntityListHandler {
public:
    explicit TProjectHandler(TModelHandler& owner) : TEntityListHandler(owner, "model") {}

    void Start(const TAttributeList& attributes) {
        entityHandler_.Start(&owner_.Project(), attributes);
    }
    void StartChild(std::string_view name, const TAttributeList& attributes) override {
        // The project's own desc, def and prop (and whatever they hold) go to its entity
        // handler; every other child is a list.
        if (ownDepth_ > 0 || name == "desc" || name == "def" || name == "prop" ||
            name == "def_id" || name == "prop_id") {
            ++ownDepth_;
            entityHandler_.StartChild(name, attributes);
            return;
        }
        if (name == "project_values") {
            // The study's own values in scenarios the file has named by now.
            values_.Start(&owner_.Project(), TAttributeList());
            owner_.Push(&values_);
            return;
        }
        std::unique_ptr<TEntityListHandler> list = MakeList(std::string(name));
        if (!list) {
            owner_.PushIgnore();
            return;
        }
        lists_.push_back(std::move(list));
        owner_.Push(lists_.back().get());
        owner_.SetCurrentList(lists_.back().get());
    }
    void EndChild(std::string_view name) override {
        if (ownDepth_ == 0) return;
        --ownDepth_;
        entityHandler_.EndChild(name);
    }
    void Characters(std::string_view text) override { entityHandler_.Characters(text); }

protected:
    TEntity* Create(const TAttributeList&) override { return &owner_.Project(); }

private:
    std::unique_ptr<TEntityListHandler> MakeList(const std::string& name) {
        TModelHandler& o = owner_;
        if (name == "scenarios") return std::make_unique<TScenariosHandler>(o, name);
        if (name == "zones") return std::make_unique<TZonesHandler>(o, name);
        if (name == "macro_zones") return std::make_unique<TMacroZonesHandler>(o, name);
        if (name == "category_modes") return std::make_unique<TCategoryModesHandler>(o, name);
        if (name == "sector_category_data")
            return std::make_unique<TSectorCategoriesHandler>(o, name);
        if (name == "attraction_functions")
            return std::make_unique<TAttractionFunctionsHandler>(o, name);
        if (name == "transport_categories") return std::make_unique<TCategoriesHandler>(o, name);
        if (name == "socioeconomic_sectors") return std::make_unique<TSectorsHandler>(o, name);
        if (name == "sector_interactions")
            return std::make_unique<TSectorInteractionsHandler>(o, name);
        if (name == "administrators") return std::make_unique<TAdministratorsHandler>(o, name);
        if (name == "modes") return std::make_unique<TModesHandler>(o, name);
        if (name == "operators") return std::make_unique<TOperatorsHandler>(o, name);
        if (name == "transfers") return std::make_unique<TTransfersHandler>(o, name);
        if (name == "operator_category_data")
            return std::make_unique<TOperatorCategoriesHandler>(o, name);
        if (name == "routes") return std::make_unique<TRoutesHandler>(o, name);
        if (name == "link_types") return std::make_unique<TLinkTypesHandler>(o, name);
        if (name == "link_type_operator_data")
            return std::make_unique<TLinkTypeOperatorsHandler>(o, name);
        if (name == "nodes") return std::make_unique<TNodesHandler>(o, name);
        if (name == "links") return std::make_unique<TLinksHandler>(o, name);
        if (name == "turns") return std::make_unique<TTurnsHandler>(o, name);
        if (name == "link_routes") return std::make_unique<TLinkRoutesHandler>(o, name);
        if (name == "exogenous_trips") return std::make_unique<TExogenousTripsHandler>(o, name);
        if (name == "od_pairs") return std::make_unique<TODPairsHandler>(o, name);
        if (name == "economic_data") return std::make_unique<TEconomicDataHandler>(o, name);
        // Anything unknown: skipped with its content.
        return nullptr;
    }

    std::vector<std::unique_ptr<TEntityListHandler>> lists_;
    TEntityHandler values_{owner_};
    std::size_t ownDepth_ = 0;
};

} // namespace

// ---- TIdRegistry -------------------------------------------------------------------------------

TIdRegistry::TIdRegistry() : buckets_(256) {}

void TIdRegistry::Register(std::string_view id, TZEPPersistent* object) {
    if (id.empty()) return;
    buckets_[static_cast<unsigned char>(id[0])].pending.push_back(
        Entry{std::string(id), serial_++, object});
}

void TIdRegistry::Merge(Bucket& b) {
    auto less = [](const Entry& x, const Entry& y) {
        int c = x.id.compare(y.id);
        return c != 0 ? c < 0 : x.serial < y.serial;
    };
    std::sort(b.pending.begin(), b.pending.end(), less);
    const std::size_t mid = b.sorted.size();
    b.sorted.insert(b.sorted.end(), std::make_move_iterator(b.pending.begin()),
                    std::make_move_iterator(b.pending.end()));
    b.pending.clear();
    std::inplace_merge(b.sorted.begin(), b.sorted.begin() + static_cast<std::ptrdiff_t>(mid),
                       b.sorted.end(), less);
    // Of equal identifiers the earliest registration sorts first and stays.
    b.sorted.erase(std::unique(b.sorted.begin(), b.sorted.end(),
                               [](const Entry& x, const Entry& y) { return x.id == y.id; }),
                   b.sorted.end());
}

TZEPPersistent* TIdRegistry::Find(std::string_view id) {
    if (id.empty()) return nullptr;
    Bucket& b = buckets_[static_cast<unsigned char>(id[0])];
    if (!b.pending.empty()) Merge(b);
    auto it = std::lower_bound(b.sorted.begin(), b.sorted.end(), id,
                               [](const Entry& e, std::string_view k) { return e.id < k; });
    return it != b.sorted.end() && it->id == id ? it->object : nullptr;
}

TZEPPersistent* TIdRegistry::Lookup(std::string_view id) {
    TZEPPersistent* object = Find(id);
    if (!object) NotFound(id);
    return object;
}

void TIdRegistry::Clear() {
    for (Bucket& b : buckets_) {
        b.sorted.clear();
        b.pending.clear();
    }
    serial_ = 0;
}

// ---- element handlers --------------------------------------------------------------------------

void TAbstractElementHandler::StartChild(std::string_view, const TAttributeList&) {}
void TAbstractElementHandler::EndChild(std::string_view) {}
void TAbstractElementHandler::Characters(std::string_view) {}

void TEntityHandler::Start(TEntity* entity, const TAttributeList& attributes) {
    entity_ = entity;
    childDepth_ = 0;
    inDesc_ = false;
    // The number from `id` was given when the entity was made (ClaimNumber): numbering it
    // afterwards would make the next new entity of its list search the list for the largest.
    if (attributes.Has("name")) entity->SetName(Attr(attributes, "name"));
}

void TEntityHandler::StartChild(std::string_view name, const TAttributeList& attributes) {
    // A nested entity gets a handler of its own, which sees its end instead of this one.
    if (childDepth_ == 0 && Record(name, attributes)) return;
    if (++childDepth_ != 1) return;
    if (name == "desc") {
        inDesc_ = true;
        desc_.clear();
    } else if (name == "def") {
        Value(attributes, false);
    } else if (name == "prop") {
        Value(attributes, true);
    } else if (name == "def_id") {
        ValueById(attributes, false);
    } else if (name == "prop_id") {
        ValueById(attributes, true);
    }
}

bool TEntityHandler::Record(std::string_view name, const TAttributeList& attributes) {
    if (name == "substitute") {
        auto* interaction = dynamic_cast<TSectorInteraction*>(entity_);
        if (!interaction) return false;
        interaction->Substitutes().Add(LookupAttr<TSector>(owner_, attributes, "sector"));
        owner_.PushIgnore();
        return true;
    }
    if (name == "member") {
        auto* macro = dynamic_cast<TMacroZone*>(entity_);
        if (!macro) return false;
        auto* zone = LookupAttr<TZone>(owner_, attributes, "zone");
        const std::string in = Attr(attributes, "in");
        auto* micro = dynamic_cast<TMicroZone*>(zone);
        if (!in.empty())
            zone->SetValueIn(owner_.ScenarioOf(in), TZone::kMacroZone, TValue(macro));
        else if (micro)
            micro->SetMacroZone(macro);
        else
            zone->SetProperty(TZone::kMacroZone, TValue(macro));
        owner_.PushIgnore();
        return true;
    }
    if (name == "attractor") {
        auto* function = dynamic_cast<TAttractionFunction*>(entity_);
        if (!function) return false;
        const std::int32_t number = owner_.ClaimNumber(attributes, function->Attractors(), true);
        TAttractor* attractor = function->AddAttractor();
        if (number != 0) attractor->SetId(number);
        if (!nested_) nested_ = std::make_unique<TEntityHandler>(owner_);
        nested_->Start(attractor, attributes);
        owner_.Push(nested_.get());
        return true;
    }
    return false;
}

void TEntityHandler::EndChild(std::string_view) {
    if (childDepth_ == 0) return;
    if (childDepth_ == 1 && inDesc_) {
        entity_->SetDescription(Trim(desc_));
        inDesc_ = false;
    }
    --childDepth_;
}

void TEntityHandler::Characters(std::string_view text) {
    if (inDesc_ && childDepth_ == 1) desc_.append(text);
}

void TEntityHandler::Value(const TAttributeList& attributes, bool versioned) {
    TPropSpec& spec = owner_.SpecByExchangeName(entity_->Specs(), attributes.getValue("name"));
    std::string text = Attr(attributes, "value");
    TValue value = spec.ValueType() == varError ? TValue(owner_.Lookup(text)) : TValue(text);
    auto* ventity = dynamic_cast<TVersionedEntity*>(entity_);
    if (!versioned || !ventity || spec.HasFlag(psAttribute) || spec.HasFlag(psUnversioned)) {
        entity_->SetProperty(spec.Id(), value);
        return;
    }
    ventity->SetValueIn(owner_.ScenarioOf(Attr(attributes, "in")), spec.Id(), value);
}

void TEntityHandler::ValueById(const TAttributeList& attributes, bool versioned) {
    std::int64_t number = 0;
    // A record holds its identifier in 16 bits: a larger number would land on another
    // property, so it is skipped as a number that is not one.
    if (!TryStrToInt64(Attr(attributes, "id"), number) || number < INT16_MIN || number > INT16_MAX)
        return;
    TPropSpec& spec = entity_->Specs().ById(static_cast<std::int32_t>(number));
    std::string text = Attr(attributes, "value");
    TValue value = spec.ValueType() == varError ? TValue(owner_.Lookup(text)) : TValue(text);
    auto* ventity = dynamic_cast<TVersionedEntity*>(entity_);
    if (!versioned || !ventity) {
        entity_->SetProperty(spec.Id(), value);
        return;
    }
    ventity->SetValueIn(owner_.ScenarioOf(Attr(attributes, "in")), spec.Id(), value);
}

TEntityListHandler::TEntityListHandler(TModelHandler& owner, std::string listName)
    : TAbstractElementHandler(owner), listName_(std::move(listName)),
      caption_(Format("Loading %s...", {listName_})), entityHandler_(owner) {}

void TEntityListHandler::StartChild(std::string_view, const TAttributeList& attributes) {
    TEntity* entity = Create(attributes);
    owner_.Registry().Register(Attr(attributes, "id"), entity);
    entityHandler_.Start(entity, attributes);
    owner_.Push(&entityHandler_);
}

void TEntityListHandler::ShowProgress(double fraction) const {
    zep::ShowProgress(caption_, fraction);
}

// ---- TModelHandler -----------------------------------------------------------------------------

TModelHandler::TModelHandler(TProject& project)
    : project_(project), ignore_(*this), projectHandler_(std::make_unique<TProjectHandler>(*this)) {
}

TModelHandler::~TModelHandler() = default;

void TModelHandler::startDocument() {
    stack_.clear();
    depth_ = 0;
    // An element takes at least a few dozen bytes: a small document gets small lists.
    const auto room = [&](std::size_t most) {
        return documentSize_ ? std::min(most, documentSize_ / 32) : most;
    };
    project_.Nodes().Reserve(room(kNodeRoom));
    project_.Links().Reserve(room(kLinkRoom));
    project_.LinkRoutes().Reserve(room(kLinkRouteRoom));
}

void TModelHandler::endDocument() {
    project_.Nodes().ShrinkToFit();
    project_.Links().ShrinkToFit();
    project_.LinkRoutes().ShrinkToFit();
}

void TModelHandler::startElement(std::string_view name, const TAttributeList& attributes) {
    ++depth_;
    if (stack_.empty()) {
        if (name == "model") {
            Push(projectHandler_.get());
            static_cast<TProjectHandler*>(projectHandler_.get())->Start(attributes);
        }
        return;
    }
    stack_.back().handler->StartChild(name, attributes);
}

void TModelHandler::endElement(std::string_view name) {
    if (!stack_.empty()) {
        if (stack_.back().depth == depth_) {
            TAbstractElementHandler* h = stack_.back().handler;
            h->End();
            stack_.pop_back();
            if (h == currentList_) currentList_ = nullptr;
        } else {
            stack_.back().handler->EndChild(name);
        }
    }
    if (depth_ > 0) --depth_;
}

void TModelHandler::characters(std::string_view text, std::size_t start, std::size_t length) {
    if (!stack_.empty()) stack_.back().handler->Characters(text.substr(start, length));
}

void TModelHandler::progress(std::size_t position, std::size_t length) {
    position_ = position;
    length_ = length;
    if (currentList_ && length > 0)
        currentList_->ShowProgress(static_cast<double>(position) / static_cast<double>(length));
}

std::int32_t TModelHandler::ClaimNumber(const TAttributeList& attributes, const TEntityList& list,
                                        bool afterUnderscore) {
    std::int32_t number = 0;
    std::string id = Attr(attributes, "id");
    if (afterUnderscore) {
        const std::size_t bar = id.find('_');
        id = bar == std::string::npos ? std::string() : "x_" + id.substr(bar + 1);
    }
    if (!NumberOf(id, number)) return 0;
    // A number the list already holds would leave two entities of one list with one
    // identifier: the later one gets a free number instead (its exchange identifier stays with
    // the first, as the registry keeps it).
    if (list.Count() > 0 && numbers_[&list].empty())
        for (std::size_t i = 0; i < list.Count(); ++i)
            numbers_[&list].insert(list.Get(i)->Id());
    std::unordered_set<std::int32_t>& taken = numbers_[&list];
    if (taken.insert(number).second) return number;
    number = list.NextId();
    while (!taken.insert(number).second)
        ++number;
    return number;
}

void TModelHandler::Push(TAbstractElementHandler* handler) {
    stack_.push_back(Level{handler, depth_});
}

void TModelHandler::SetCurrentList(const TEntityListHandler* list) {
    currentList_ = list;
    if (list)
        list->ShowProgress(
            length_ > 0 ? static_cast<double>(position_) / static_cast<double>(length_) : 0.0);
}

TScenario* TModelHandler::ScenarioOf(std::string_view in) {
    if (in.empty()) return project_.BaseScenario();
    return LookupAs<TScenario>(*this, std::string(in));
}

TPropSpec& TModelHandler::SpecByExchangeName(TPropSpecSet& set, const std::string& name) {
    if (const TPropSpec* spec = set.FindByExchangeName(name)) return const_cast<TPropSpec&>(*spec);
    return set.ByName(name);
}

// ---- loading -----------------------------------------------------------------------------------

void RestoreDerivedData(TProject& project) {
    TScenario* base = project.BaseScenario();
    // An operator's own route is the system's and is not in the file; the native file's reader
    // gives it the same occupancy.
    for (std::size_t i = 0; i < project.Routes().Count(); ++i) {
        TRoute* route = project.Routes().Get(i);
        if (route->Internal() && !route->Resolve(base, TRoute::kTargetOccupancy))
            route->SetValueIn(base, TRoute::kTargetOccupancy, TValue(0.5));
    }
    // The operators' access to links is derived from the link types in each scenario. The base
    // scenario goes through the project's own update (which also drops the own routes of
    // operators that run routes); below it access only grows, so a link that has its link-route
    // already needs no asking.
    if (project.ReadOnly()) return;
    project.UpdateAllAccess(base);
    std::vector<TScenario*> scenarios;
    for (std::size_t i = 0; i < project.Scenarios().Count(); ++i)
        if (project.Scenarios().Get(i) != base) scenarios.push_back(project.Scenarios().Get(i));
    std::stable_sort(
        scenarios.begin(), scenarios.end(),
        [](const TScenario* a, const TScenario* b) { return CompareScenarios(a, b) < 0; });
    for (std::size_t k = 0; k < project.Operators().Count(); ++k) {
        TOperator* op = project.Operators().Get(k);
        TOperatorRoute* own = op->Type() == otRoute ? nullptr : project.InternalRouteOf(op);
        if (!own) continue;
        for (TScenario* scenario : scenarios)
            for (std::size_t i = 0; i < project.Links().Count(); ++i) {
                TLink* link = project.Links().Get(i);
                if (!link->LinkRouteOf(own) && OperatorMayUseLink(link, op, scenario))
                    project.NewLinkRoute(link, own);
            }
    }
}

void LoadXmlProjectFromMemory(TProject& project, std::string data, const std::string& systemId) {
    TNoUndoScope noUndo;
    if (data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0x1F &&
        static_cast<unsigned char>(data[1]) == 0x8B) {
        TMemoryStream packed(std::move(data));
        TGUnzipStream unzip(packed);
        data = unzip.ReadAll();
    }
    const std::size_t size = data.size();
    TMemoryStream text(std::move(data));
    TModelHandler handler(project);
    handler.SetDocumentSize(size);
    TXMLParser parser;
    parser.setDocumentHandler(&handler);
    parser.setErrorHandler(&handler);
    TInputSource source(text);
    source.setSystemId(systemId);
    parser.parse(source);
    // Scenarios arrive parents first, which is their order; saying so keeps a study read from
    // XML in the same state as one read from the native file.
    project.Scenarios().Sort();
    RestoreDerivedData(project);
    project.SortAll();
    project.RebuildMacroZoneMembers();
}

void LoadXmlProject(TProject& project, const std::string& fileName) {
    TMemoryStream file;
    file.LoadFromFile(fileName);
    LoadXmlProjectFromMemory(project, std::move(file.Data()), fileName);
    project.SetFileName(fileName);
}

std::unique_ptr<TProject> OpenXmlProject(const std::string& fileName) {
    auto project = std::make_unique<TProject>();
    try {
        LoadXmlProject(*project, fileName);
    } catch (const std::exception& e) {
        project.reset();
        throw EProjectLoadError(Format("%0:s in File:\\n%1:s", {std::string(e.what()), fileName}));
    }
    return project;
}

} // namespace zep::files
