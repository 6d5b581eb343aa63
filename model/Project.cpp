#include "model/Project.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <type_traits>
#include <unordered_set>

#include "foundation/Format.h"
#include "foundation/OrvLogging.h"
#include "foundation/OrvMessages.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/ClassRegistry.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::model {

namespace {

/// Keeps the values and lists of a project under construction or teardown out of whatever undo
/// transaction another study has open: their changes must not be recorded anywhere.
class TNoUndoScope {
public:
    TNoUndoScope() : saved_(undo::CurrentUndoSet()) { undo::SetCurrentUndoSet(nullptr); }
    ~TNoUndoScope() { undo::SetCurrentUndoSet(saved_); }
    TNoUndoScope(const TNoUndoScope&) = delete;
    TNoUndoScope& operator=(const TNoUndoScope&) = delete;

private:
    undo::TUndoSet* saved_;
};

} // namespace

// ---- TProjectI ---------------------------------------------------------------------------------

TPropSpecSet& TProjectI::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        const TValue none;
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute | psNotStored, "project_"),
            new TFloatPropSpec(kZoneInternalCostFactor, "zone_internal_cost_factor", psUnversioned,
                               none, 0.0, 1.0),
            new TFloatPropSpec(kZoneInternalCostFactor2, "ZoneInternalCostFactor2", psNotStored),
            new TIntPropSpec(kLocIterations, "loc_iterations", psUnversioned, 100, 1,
                             std::numeric_limits<std::int32_t>::max()),
            new TFloatPropSpec(kLocConvergence, "loc_convergence", psUnversioned, 0.001, 0.0, 0.5),
            new TIntPropSpec(kTransIterations, "trans_iterations", psUnversioned, 30, 1,
                             std::numeric_limits<std::int32_t>::max()),
            new TFloatPropSpec(kTransConvergence, "trans_convergence", psUnversioned, 0.001, 0.0,
                               0.5),
            new TStrPropSpec(kAuthor, "author", psUnversioned),
            new TFloatPropSpec(kTransSmoothing, "trans_smoothing", psUnversioned, 1.0, 1.0),
            new TFloatPropSpec(kLocSmoothing, "loc_smoothing", psUnversioned, 1.0, 1.0),
            // Declared elsewhere with the bounds 2..1, which no value can meet; the map view
            // knows the systems 0, 1 and 2, so those are the values accepted here.
            new TIntPropSpec(kCoordinateSystem, "coordinate_system", 0, 0, 0, 2),
            new TObjPropSpec(kAttractionFunctions, "attraction_functions", psNotStored),
            new TBoolPropSpec(kTransUseLogit, "trans_use_logit", 0, true),
            new TBoolPropSpec(kLocUseLogit, "loc_use_logit", 0, true),
            new TFloatPropSpec(kLinkLengthMultiplier, "link_length_multiplier", 0, 1.0,
                               0.0000000001),
            new TPercentPropSpec(kRouteSimilarityFactor, "route_similarity_factor", 0, 0.5, 0.0,
                                 1.0),
        });
        return s;
    }();
    return *set;
}

TProjectI::TProjectI() : TVersionedEntity(nullptr) {
    TNoUndoScope noUndo;
    SetProject(this);
    ownBase_ = std::make_unique<TScenario>(nullptr);
    baseScenario_ = ownBase_.get();
    baseScenario_->SetName("00A");
    baseScenario_->SetDescription("Base Scenario");
    SetInteger(kCoordinateSystem, 1);
}

TProjectI::~TProjectI() = default;

// ---- TProject: construction --------------------------------------------------------------------

namespace {

/// Deletes `e` from the owning list `list`, finding it through its list index where it can.
void DeleteFrom(TEntityList& list, TEntity* e) {
    std::ptrdiff_t index = -1;
    const std::int32_t li = e->ListIndex();
    if (e->OwnerList() == &list && li >= 0 && static_cast<std::size_t>(li) < list.Count() &&
        list.Item(static_cast<std::size_t>(li)) == e)
        index = li;
    else
        index = list.IndexOf(e);
    if (index >= 0) list.Delete(static_cast<std::size_t>(index));
}

/// Gives a fresh entity its identifier (no undo step: nothing refers to it yet), marks it as
/// made through the project and appends it to `list`, which numbers it when `id` is 0.
template <class T> T* Adopt(TEntityList& list, std::unique_ptr<T> entity, std::int32_t id) {
    if (id != 0) {
        entity->RawProperties().RawPut(kPropId, TValue(id));
        entity->ResetIdCache();
    }
    if constexpr (std::is_base_of_v<TVersionedEntity, T>) entity->stateFlags_ |= 1;
    T* raw = entity.get();
    list.Add(raw);
    entity.release();
    return raw;
}

TLogger& ProjectLog() {
    return GetLogger("Project");
}

void Upgrade(const std::string& what) {
    ProjectLog().Warning("Upgrade: " + what);
}

} // namespace

TProject::TProject() {
    TNoUndoScope noUndo;
    undoSet_ = std::make_unique<undo::TUndoSet>();
    scenarios_ = std::make_unique<TScenarioList>(true);
    scenarios_->Add(ReleaseBaseScenario());
    serviceLevels_ = std::make_unique<TServiceLevelList>(true);
    categories_ = std::make_unique<TCategoryList>(true, this);
    administrators_ = std::make_unique<TAdministratorList>(true, this);
    linkTypes_ = std::make_unique<TLinkTypeList>(true, this);
    modes_ = std::make_unique<TModeList>(true, this);
    operators_ = std::make_unique<TOperatorList>(true, this);
    routes_ = std::make_unique<TRouteList>(true, this);
    transfers_ = std::make_unique<TTransferList>(false, this);
    nodeTypes_ = std::make_unique<TNodeTypeList>(true);
    {
        auto centroid = std::make_unique<TNodeType>();
        centroid->SetName("Centroid");
        TNodeType* c = centroid.get();
        nodeTypes_->Add(centroid.release());
        c->SetId(0); // the list numbers an entity added with 0; the centroid type is 0 itself
    }
    nodes_ = std::make_unique<TNodeList>(true, this);
    links_ = std::make_unique<TLinkList>(true, this);
    linkRoutes_ = std::make_unique<TLinkRouteList>(true, this);
    transportZones_ = std::make_unique<TTransportZoneList>(false, this);
    macroZones_ = std::make_unique<TMacroZoneList>(true, this);
    sectors_ = std::make_unique<TSectorList>(true, this);
    serviceLevels_->AddStandardLevels();

    SetFloat(kZoneInternalCostFactor, 0.0);
    SetFloat(kZoneInternalCostFactor2, 0.0);
    SetInteger(kLocIterations, 100);
    SetFloat(kLocConvergence, 0.000001);
    SetInteger(kTransIterations, 30);
    SetFloat(kTransConvergence, 0.000001);
    SetFloat(kTransSmoothing, 1.0);
    SetFloat(kLocSmoothing, 1.0);
    SetInteger(kCoordinateSystem, 1);
    currentScenario_ = BaseScenario();
}

TProject::~TProject() {
    TNoUndoScope noUndo;
    undoSet_->Clear();
    try {
        RemoveAll();
    } catch (...) {
    }
    // Reverse dependency order; failures are swallowed so that every list is freed.
    auto guarded = [](auto&& f) {
        try {
            f();
        } catch (...) {
        }
    };
    guarded([&] {
        while (!sectors_->IsEmpty())
            RemoveEntity(sectors_->Get(sectors_->Count() - 1));
    });
    guarded([&] {
        if (attractionFunctions_) attractionFunctions_->Clear();
    });
    guarded([&] { transportZones_->Clear(); });
    guarded([&] { macroZones_->Clear(); });
    guarded([&] { linkRoutes_->Clear(); });
    guarded([&] { links_->Clear(); });
    guarded([&] { nodes_->Clear(); });
    guarded([&] { nodeTypes_->Clear(); });
    guarded([&] { transfers_->Clear(); });
    guarded([&] { routes_->Clear(); });
    guarded([&] { operators_->Clear(); });
    guarded([&] { modes_->Clear(); });
    guarded([&] { linkTypes_->Clear(); });
    guarded([&] { administrators_->Clear(); });
    guarded([&] { categories_->Clear(); });
    guarded([&] { serviceLevels_->Clear(); });
    // Entities point at scenarios to the end: the scenario list goes last.
    sectors_.reset();
    attractionFunctions_.reset();
    transportZones_.reset();
    macroZones_.reset();
    linkRoutes_.reset();
    links_.reset();
    nodes_.reset();
    nodeTypes_.reset();
    transfers_.reset();
    routes_.reset();
    operators_.reset();
    modes_.reset();
    linkTypes_.reset();
    administrators_.reset();
    categories_.reset();
    serviceLevels_.reset();
    scenarios_.reset();
}

TAttractionFunctionList& TProject::AttractionFunctions() {
    if (!attractionFunctions_) {
        attractionFunctions_ = std::make_unique<TAttractionFunctionList>(true, this);
        // The holder, not an edit: no undo step, or undoing would orphan the list.
        RawProperties().RawPut(kAttractionFunctions, TValue(attractionFunctions_.get()));
    }
    return *attractionFunctions_;
}

// ---- scenarios ---------------------------------------------------------------------------------

// Turn restrictions are records of their links that no project list holds: the version
// operations reach them through their links (a version left behind would keep a removed
// scenario). Repeating an operation a link already passed on changes nothing.
void TProject::ForEachTurnList(const std::function<void(TTurnRestrictionList&)>& f) {
    for (std::size_t i = 0; i < links_->Count(); ++i)
        if (links_->Get(i)->HasTurns()) f(links_->Get(i)->Turns());
}

TScenario* TProject::NewScenario(TScenario* parent) {
    auto s = std::make_unique<TScenario>(parent);
    TScenario* raw = s.get();
    scenarios_->Add(raw);
    s.release();
    return raw;
}

void TProject::RemoveScenario(TScenario* scenario) {
    if (!scenario) return;
    if (scenario->IsBase() || scenario == BaseScenario())
        throw ERemovingInvalidEntity("The base scenario cannot be removed");
    for (std::size_t i = scenarios_->Count(); i-- > 0;) {
        if (i >= scenarios_->Count()) continue;
        if (scenarios_->Get(i)->Parent() == scenario) RemoveScenario(scenarios_->Get(i));
    }
    RemoveVersion(scenario);
    // The list operation leaves the study's own values alone (copying or moving a scenario's
    // data does not carry them); a scenario that goes away takes its values along, or they
    // would outlive it and be read by whatever scenario comes to the same place.
    if (VersionOf(scenario))
        undo::Perform(std::make_unique<TVersionUndoer>(this, scenario, std::nullopt));
    DeleteFrom(*scenarios_, scenario);
}

TScenario* TProject::CurrentScenario() {
    if (!currentScenario_ || !scenarios_->Contains(currentScenario_))
        currentScenario_ = BaseScenario();
    return currentScenario_;
}

void TProject::RemoveVersion(TScenario* s) {
    linkRoutes_->RemoveVersion(s);
    links_->RemoveVersion(s);
    ForEachTurnList([&](TTurnRestrictionList& turns) { turns.RemoveVersion(s); });
    sectors_->RemoveVersion(s);
    macroZones_->RemoveVersion(s);
    transportZones_->RemoveVersion(s);
    nodes_->RemoveVersion(s);
    administrators_->RemoveVersion(s);
    linkTypes_->RemoveVersion(s);
    operators_->RemoveVersion(s);
    modes_->RemoveVersion(s);
    categories_->RemoveVersion(s);
    transfers_->RemoveVersion(s);
    AttractionFunctions().RemoveVersion(s);
    routes_->RemoveVersion(s);
}

bool TProject::HasVersion(const TScenario* s) const {
    if (TVersionedEntity::HasVersion(s)) return true;
    const TVersionedEntityList* lists[] = {
        administrators_.get(), categories_.get(), modes_.get(),
        operators_.get(),      sectors_.get(),    linkTypes_.get(),
        routes_.get(),         transfers_.get(),  attractionFunctions_.get(),
        nodes_.get(),          links_.get(),      linkRoutes_.get()};
    for (const TVersionedEntityList* l : lists)
        if (l && l->AnyHasVersion(s)) return true;
    return false;
}

void TProject::CopyVersion(TScenario* from, TScenario* to) {
    categories_->CopyVersion(from, to);
    administrators_->CopyVersion(from, to);
    modes_->CopyVersion(from, to);
    operators_->CopyVersion(from, to);
    routes_->CopyVersion(from, to);
    linkTypes_->CopyVersion(from, to);
    nodes_->CopyVersion(from, to);
    links_->CopyVersion(from, to);
    ForEachTurnList([&](TTurnRestrictionList& turns) { turns.CopyVersion(from, to); });
    linkRoutes_->CopyVersion(from, to);
    transportZones_->CopyVersion(from, to);
    macroZones_->CopyVersion(from, to);
    sectors_->CopyVersion(from, to);
    transfers_->CopyVersion(from, to);
    AttractionFunctions().CopyVersion(from, to);
}

void TProject::MoveVersion(TScenario* from, TScenario* to) {
    categories_->MoveVersion(from, to);
    administrators_->MoveVersion(from, to);
    modes_->MoveVersion(from, to);
    operators_->MoveVersion(from, to);
    routes_->MoveVersion(from, to);
    linkTypes_->MoveVersion(from, to);
    nodes_->MoveVersion(from, to);
    links_->MoveVersion(from, to);
    ForEachTurnList([&](TTurnRestrictionList& turns) { turns.MoveVersion(from, to); });
    linkRoutes_->MoveVersion(from, to);
    transportZones_->MoveVersion(from, to);
    macroZones_->MoveVersion(from, to);
    sectors_->MoveVersion(from, to);
    transfers_->MoveVersion(from, to);
    AttractionFunctions().MoveVersion(from, to);
}

std::string TProject::ErrorMessageIn(const TScenario* s) const {
    const TVersionedEntityList* lists[] = {
        transportZones_.get(), macroZones_.get(), categories_.get(), sectors_.get(),
        administrators_.get(), modes_.get(),      operators_.get(),  transfers_.get(),
        routes_.get(),         nodes_.get(),      linkTypes_.get(),  links_.get(),
        linkRoutes_.get()};
    for (const TVersionedEntityList* l : lists) {
        std::string m = l->ErrorMessageIn(s);
        if (!m.empty()) return m;
    }
    return {};
}

void TProject::SetProjectAll() {
    TVersionedEntityList* lists[] = {categories_.get(), administrators_.get(), modes_.get(),
                                     operators_.get(),  routes_.get(),         transfers_.get(),
                                     linkTypes_.get(),  nodes_.get(),          links_.get(),
                                     linkRoutes_.get(), transportZones_.get(), macroZones_.get(),
                                     sectors_.get()};
    for (TVersionedEntityList* l : lists)
        l->SetProject(this);
    AttractionFunctions().SetProject(this);
}

// ---- creation ----------------------------------------------------------------------------------

TNode* TProject::NewNode(std::int32_t id) {
    return Adopt(*nodes_, std::make_unique<TNode>(this), id);
}

TNode* TProject::NodeById(std::int32_t id) {
    if (TNode* n = FindNode(id)) return n;
    return NewNode(id);
}

TMicroZone* TProject::NewMicroZone(std::int32_t id) {
    TMicroZone* z = Adopt(*nodes_, std::make_unique<TMicroZone>(this), id);
    transportZones_->Add(z);
    return z;
}

TExternalZone* TProject::NewExternalZone(std::int32_t id) {
    TExternalZone* z = Adopt(*nodes_, std::make_unique<TExternalZone>(this), id);
    transportZones_->Add(z);
    return z;
}

TMacroZone* TProject::NewMacroZone(std::int32_t id) {
    return Adopt(*macroZones_, std::make_unique<TMacroZone>(this), id);
}

TNodeType* TProject::NewNodeType(std::int32_t id) {
    return Adopt(*nodeTypes_, std::make_unique<TNodeType>(), id);
}

TLinkType* TProject::NewLinkType(std::int32_t id) {
    return Adopt(*linkTypes_, std::make_unique<TLinkType>(this), id);
}

TLink* TProject::LinkBetween(TNode* from, TNode* to) {
    if (TLink* l = FindLink(from, to)) return l;
    return Adopt(*links_, std::make_unique<TLink>(this, from, to), 0);
}

TLink* TProject::NewLinkByIds(std::int32_t id, std::int32_t fromId, std::int32_t toId) {
    TNode* from = NodeById(fromId);
    TNode* to = NodeById(toId);
    if (TLink* l = FindLink(from, to)) {
        if (id != 0 && l->Id() != id) l->SetId(id);
        return l;
    }
    return Adopt(*links_, std::make_unique<TLink>(this, from, to), id);
}

TAdministrator* TProject::NewAdministrator(std::int32_t id) {
    return Adopt(*administrators_, std::make_unique<TAdministrator>(this), id);
}

TCategory* TProject::NewCategory(std::int32_t id) {
    return Adopt(*categories_, std::make_unique<TCategory>(this), id);
}

TMode* TProject::NewMode(std::int32_t id) {
    return Adopt(*modes_, std::make_unique<TMode>(this), id);
}

TOperator* TProject::NewOperator(TMode* mode, std::int32_t id) {
    TOperator* op = Adopt(*operators_, std::make_unique<TOperator>(this, mode), id);
    Adopt(*routes_, std::make_unique<TOperatorRoute>(this, op), 0);
    AddTransfer(op, op);
    return op;
}

TOperator* TProject::OperatorById(std::int32_t id, const std::string& name, TMode* mode) {
    auto* op = static_cast<TOperator*>(operators_->FindById(id));
    if (!op) op = NewOperator(mode, id);
    if (!name.empty()) op->SetName(name);
    return op;
}

TRoute* TProject::NewRoute(TOperator* op, std::int32_t id) {
    return Adopt(*routes_, std::make_unique<TRoute>(this, op), id);
}

TRoute* TProject::RouteById(std::int32_t id, const std::string& name, TOperator* op) {
    auto* route = static_cast<TRoute*>(routes_->FindById(id));
    if (route)
        route->SetOperator(op);
    else
        route = NewRoute(op, id);
    if (!name.empty()) route->SetName(name);
    return route;
}

TTransfer* TProject::AddTransfer(TOperator* from, TOperator* to) {
    TTransfer* t = from->GetOrCreateTransferTo(to);
    if (!transfers_->Contains(t)) transfers_->Add(t);
    return t;
}

TLinkRoute* TProject::NewLinkRoute(TLink* link, TRoute* route) {
    if (TLinkRoute* lr = link->LinkRouteOf(route)) return lr;
    auto lr = std::make_unique<TLinkRoute>(this, link, route);
    lr->stateFlags_ |= 1;
    TLinkRoute* raw = lr.get();
    linkRoutes_->Add(raw);
    lr.release();
    return raw;
}

TSector* TProject::NewSector(std::int32_t id) {
    return Adopt(*sectors_, std::make_unique<TSector>(this), id);
}

TAttractionFunction* TProject::NewAttractionFunction() {
    TAttractionFunction* f =
        Adopt(AttractionFunctions(), std::make_unique<TAttractionFunction>(this), 0);
    if (!sectors_->IsEmpty()) f->SetTargetSector(sectors_->Get(0));
    return f;
}

void TProject::AddLinkRoute(TEntity* entity) {
    if (!entity) return;
    auto* lr = dynamic_cast<TLinkRoute*>(entity);
    if (!lr) throw EAddingInvalidEntity("");
    linkRoutes_->Add(lr);
}

// ---- lookups -----------------------------------------------------------------------------------

TNode* TProject::FindNode(std::int32_t id) const {
    return static_cast<TNode*>(nodes_->FindById(id));
}

TLink* TProject::FindLink(const TNode* from, const TNode* to) const {
    if (!from) return nullptr;
    const TBaseLinkList& out = from->OutLinks();
    for (std::size_t i = 0; i < out.Count(); ++i)
        if (out.Get(i)->Head() == to)
            if (auto* l = dynamic_cast<TLink*>(out.Get(i))) return l;
    return nullptr;
}

TLink* TProject::FindLinkByIds(std::int32_t fromId, std::int32_t toId) {
    TNode* from = FindNode(fromId);
    TNode* to = NodeById(toId);
    return FindLink(from, to);
}

TLink* TProject::ReverseLink(const TLink* link) const {
    return link ? FindLink(link->Head(), link->Tail()) : nullptr;
}

TOperator* TProject::FirstRouteOperator() const {
    for (std::size_t i = 0; i < operators_->Count(); ++i)
        if (operators_->Get(i)->Type() == otRoute) return operators_->Get(i);
    return nullptr;
}

bool TProject::IsTwoWayPair(const TLink* link, const TScenario* s) const {
    const TLink* rev = ReverseLink(link);
    if (!rev) return false;
    if (!readOnly_ && !link->GetBooleanIn(s, TLink::kTwoWay)) return false;
    return link->IsUsedIn(s) == rev->IsUsedIn(s) &&
           link->GetObjectIn(s, TLink::kType) == rev->GetObjectIn(s, TLink::kType) &&
           ValuesEqual(link->GetValueIn(s, TLink::kCapacity),
                       rev->GetValueIn(s, TLink::kCapacity)) &&
           ValuesEqual(link->GetValueIn(s, TLink::kLength), rev->GetValueIn(s, TLink::kLength));
}

bool TProject::IsPlainTwoWayPair(const TLink* link, const TScenario* s) const {
    const TLink* rev = ReverseLink(link);
    if (!rev) return false;
    return link->GetBooleanIn(s, TLink::kTwoWay) && rev->GetBooleanIn(s, TLink::kTwoWay) &&
           link->Id() == rev->Id() && link->LinkRoutes().IsEmpty() && rev->LinkRoutes().IsEmpty() &&
           !link->HasTurns() && !rev->HasTurns();
}

// ---- files and model values --------------------------------------------------------------------

std::string TProject::IniFileName() const {
    return std::filesystem::path(fileName_).replace_extension(".ini").string();
}

std::string TProject::PathFileName(std::int32_t modeIndex, bool compressed) {
    const std::filesystem::path dir = std::filesystem::path(fileName_).parent_path();
    const std::string prefix = GetName().substr(0, 3);
    std::string name =
        prefix + Trim(CurrentScenario()->GetName()) + ".P" + std::to_string(modeIndex + 1) + "S";
    if (compressed) {
        if (!name.empty() && (name.back() == 'S' || name.back() == 's'))
            name.back() = 'Z';
        else
            name += ".gz";
    }
    return dir.empty() ? name : (dir / name).string();
}

std::bitset<40> TProject::ModesWithPaths() {
    std::bitset<40> modes;
    std::error_code ec;
    for (std::int32_t i = 0; i < 40; ++i)
        if (std::filesystem::exists(PathFileName(i), ec) ||
            std::filesystem::exists(PathFileName(i, true), ec))
            modes.set(static_cast<std::size_t>(i));
    return modes;
}

double TProject::MeanCategoryValue(const TMode* mode, const TScenario* s, std::int32_t id) const {
    double sum = 0;
    int n = 0;
    for (std::size_t i = 0; i < categories_->Count(); ++i) {
        const TCategory* c = categories_->Get(i);
        if (!c->HasMode(mode)) continue;
        sum += c->GetFloatIn(s, id);
        ++n;
    }
    return n == 0 ? 0.0 : sum / n;
}

double TProject::MeanValueOfTime(const TMode* mode, const TScenario* s) const {
    return MeanCategoryValue(mode, s, TCategory::kValueOfTravelTime);
}

double TProject::MeanValueOfWaitingTime(const TMode* mode, const TScenario* s) const {
    return MeanCategoryValue(mode, s, TCategory::kValueOfWaitingTime);
}

// ---- removal -----------------------------------------------------------------------------------

void TProject::RemoveEntity(TEntity* e) {
    if (!e) return;
    if (auto* s = dynamic_cast<TScenario*>(e)) return RemoveVersion(s);
    if (auto* a = dynamic_cast<TAdministrator*>(e)) return RemoveAdministrator(a);
    if (auto* c = dynamic_cast<TCategory*>(e)) return RemoveCategory(c);
    if (auto* m = dynamic_cast<TMode*>(e)) return RemoveMode(m);
    if (auto* o = dynamic_cast<TOperator*>(e)) return RemoveOperator(o);
    if (auto* r = dynamic_cast<TRoute*>(e)) return RemoveRoute(r);
    if (auto* nt = dynamic_cast<TNodeType*>(e)) return RemoveNodeType(nt);
    if (auto* lt = dynamic_cast<TLinkType*>(e)) return RemoveLinkType(lt);
    if (auto* l = dynamic_cast<TLink*>(e)) return RemoveLink(l, false);
    if (auto* lr = dynamic_cast<TLinkRoute*>(e)) return RemoveLinkRoute(lr);
    if (auto* mz = dynamic_cast<TMacroZone*>(e)) return RemoveMacroZone(mz);
    if (auto* tz = dynamic_cast<TTransportZone*>(e)) return RemoveTransportZone(tz);
    if (auto* n = dynamic_cast<TNode*>(e)) return RemoveNode(n);
    if (auto* sec = dynamic_cast<TSector*>(e)) return RemoveSector(sec);
    if (auto* f = dynamic_cast<TAttractionFunction*>(e)) return RemoveAttractionFunction(f);
    throw ERemovingInvalidEntity("");
}

void TProject::RemoveLinkRoute(TLinkRoute* lr) {
    if (lr->OwnerList() == linkRoutes_.get())
        DeleteFrom(*linkRoutes_, lr);
    else
        lr->Dettach(); // a stray one: at least it must leave its link and route
}

void TProject::RemoveLink(TLink* link, bool withReverse) {
    TLink* reverse = ReverseLink(link);
    TLinkRouteList& lrs = link->LinkRoutes();
    while (!lrs.IsEmpty())
        RemoveLinkRoute(lrs.Get(lrs.Count() - 1));
    if (link->OwnerList() == links_.get())
        DeleteFrom(*links_, link);
    else
        link->Dettach();
    if (!reverse || reverse == link) return;
    if (withReverse) {
        RemoveLink(reverse, false);
        return;
    }
    for (std::size_t i = 0; i < scenarios_->Count(); ++i)
        reverse->SetValueIn(scenarios_->Get(i), TLink::kTwoWay, TValue(false));
}

void TProject::RemoveNode(TNode* node) {
    TBaseLinkList& out = node->OutLinks();
    while (!out.IsEmpty())
        RemoveLink(static_cast<TLink*>(out.Get(out.Count() - 1)), false);
    TBaseLinkList& in = node->InLinks();
    while (!in.IsEmpty()) {
        auto* link = static_cast<TLink*>(in.Get(in.Count() - 1));
        // Turns at the incoming link's tail that lead on to this node go with it.
        if (TNode* tail = link->Tail()) {
            const TBaseLinkList& into = tail->InLinks();
            for (std::size_t i = 0; i < into.Count(); ++i)
                if (auto* k = dynamic_cast<TLink*>(into.Get(i)); k && k->HasTurns())
                    k->Turns().DropNode(node);
        }
        RemoveLink(link, false);
    }
    // Every entry: a damaged file may list a zone twice, and none may outlive it.
    if (node->IsZone())
        while (transportZones_->Remove(node) >= 0) {
        }
    DeleteFrom(*nodes_, node);
}

void TProject::RemoveTransportZone(TTransportZone* zone) {
    for (std::size_t i = 0; i < sectors_->Count(); ++i)
        sectors_->Get(i)->RemoveSectorZone(zone);
    for (std::size_t i = 0; i < transportZones_->Count(); ++i)
        transportZones_->Get(i)->RemoveODPairTo(zone);
    RemoveNode(zone);
}

void TProject::RemoveNodes(const std::vector<TNode*>& nodes) {
    std::unordered_set<const TNode*> gone(nodes.begin(), nodes.end());
    std::vector<TLink*> links;
    std::unordered_set<const TLink*> linkSet;
    for (TNode* n : nodes)
        for (TBaseLinkList* list : {&n->OutLinks(), &n->InLinks()})
            for (std::size_t i = 0; i < list->Count(); ++i)
                if (auto* l = dynamic_cast<TLink*>(list->Get(i)))
                    if (linkSet.insert(l).second) links.push_back(l);
    for (TNode* n : nodes) {
        const TBaseLinkList& in = n->InLinks();
        for (std::size_t i = 0; i < in.Count(); ++i)
            if (TNode* tail = in.Get(i)->Tail(); tail && !gone.count(tail)) {
                const TBaseLinkList& into = tail->InLinks();
                for (std::size_t k = 0; k < into.Count(); ++k)
                    if (auto* t = dynamic_cast<TLink*>(into.Get(k)); t && t->HasTurns())
                        t->Turns().DropNode(n);
            }
    }
    DropZoneRecords(nodes);
    // Deleting from the back of each list keeps every deletion (and its undo) cheap.
    auto byIndexDown = [](const TEntity* a, const TEntity* b) {
        return a->ListIndex() > b->ListIndex();
    };
    std::vector<TLinkRoute*> lrs;
    for (TLink* l : links)
        for (std::size_t i = 0; i < l->LinkRoutes().Count(); ++i)
            lrs.push_back(l->LinkRoutes().Get(i));
    std::sort(lrs.begin(), lrs.end(), byIndexDown);
    for (TLinkRoute* lr : lrs)
        RemoveLinkRoute(lr);
    std::vector<TLink*> survivors;
    for (TLink* l : links)
        if (TLink* rev = ReverseLink(l); rev && !linkSet.count(rev)) survivors.push_back(rev);
    std::sort(links.begin(), links.end(), byIndexDown);
    for (TLink* l : links) {
        if (l->OwnerList() == links_.get())
            DeleteFrom(*links_, l);
        else
            l->Dettach();
    }
    for (TLink* rev : survivors)
        for (std::size_t i = 0; i < scenarios_->Count(); ++i)
            rev->SetValueIn(scenarios_->Get(i), TLink::kTwoWay, TValue(false));
    std::vector<TNode*> order(nodes.begin(), nodes.end());
    std::sort(order.begin(), order.end(), byIndexDown);
    for (TNode* n : order) {
        if (n->IsZone()) transportZones_->Remove(n);
        DeleteFrom(*nodes_, n);
    }
}

void TProject::DropZoneRecords(const std::vector<TNode*>& nodes) {
    std::unordered_set<const TZone*> zones;
    for (TNode* n : nodes)
        if (auto* z = dynamic_cast<TTransportZone*>(n)) zones.insert(z);
    if (zones.empty()) return;
    for (std::size_t i = 0; i < sectors_->Count(); ++i) {
        TSectorZoneList& records = sectors_->Get(i)->SectorZones();
        for (std::size_t k = records.Count(); k-- > 0;)
            if (zones.count(records.Get(k)->Zone())) records.Delete(k);
    }
    for (std::size_t i = 0; i < transportZones_->Count(); ++i) {
        TODPairList& pairs = transportZones_->Get(i)->ODPairs();
        for (std::size_t k = pairs.Count(); k-- > 0;)
            if (zones.count(pairs.Get(k)->Destination())) pairs.Delete(k);
    }
}

void TProject::RemoveMacroZone(TMacroZone* zone) {
    DeleteFrom(*macroZones_, zone);
}

void TProject::RemoveRoute(TRoute* route) {
    // A copy: while removals are deferred, the route's list keeps its entries until the end.
    const std::vector<TZEPPersistent*> lrs = route->LinkRoutes().Items();
    for (auto it = lrs.rbegin(); it != lrs.rend(); ++it)
        RemoveLinkRoute(static_cast<TLinkRoute*>(*it));
    DeleteFrom(*routes_, route);
}

TProject::TDeferredRemovals::TDeferredRemovals(TProject& project) {
    lists_ = {project.nodes_.get(), project.links_.get(), project.linkRoutes_.get()};
    for (std::size_t i = 0; i < project.routes_->Count(); ++i)
        lists_.push_back(&project.routes_->Get(i)->LinkRoutes());
    for (TEntityList* list : lists_)
        list->BeginDeferredDeletes();
}

TProject::TDeferredRemovals::~TDeferredRemovals() {
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
        (*it)->EndDeferredDeletes();
}

void TProject::RemoveOperator(TOperator* op) {
    for (std::size_t i = routes_->Count(); i-- > 0;)
        if (i < routes_->Count() && routes_->Get(i)->Operator() == op) RemoveRoute(routes_->Get(i));
    for (std::size_t i = 0; i < linkTypes_->Count(); ++i)
        linkTypes_->Get(i)->RemoveOperatorData(op);
    for (std::size_t i = transfers_->Count(); i-- > 0;) {
        TTransfer* t = transfers_->Get(i);
        if (t->FromOperator() != op && t->ToOperator() != op) continue;
        transfers_->Delete(i);
        if (TOperator* owner = t->FromOperator()) owner->Transfers().Remove(t);
    }
    for (std::size_t i = operators_->Count(); i-- > 0;)
        if (operators_->Get(i) != op) operators_->Get(i)->RemoveTransferTo(op);
    DeleteFrom(*operators_, op);
}

void TProject::RemoveMode(TMode* mode) {
    for (std::size_t i = operators_->Count(); i-- > 0;)
        if (i < operators_->Count() && operators_->Get(i)->Mode() == mode)
            RemoveOperator(operators_->Get(i));
    categories_->DropMode(mode);
    for (std::size_t i = 0; i < transportZones_->Count(); ++i)
        transportZones_->Get(i)->DropMode(mode);
    DeleteFrom(*modes_, mode);
}

void TProject::RemoveCategory(TCategory* category) {
    for (std::size_t i = 0; i < sectors_->Count(); ++i)
        sectors_->Get(i)->RemoveSectorCategory(category);
    for (std::size_t i = 0; i < operators_->Count(); ++i)
        operators_->Get(i)->DropCategory(category);
    for (std::size_t i = 0; i < transportZones_->Count(); ++i)
        transportZones_->Get(i)->DropCategory(category);
    DeleteFrom(*categories_, category);
}

void TProject::RemoveAdministrator(TAdministrator* admin) {
    for (std::size_t si = scenarios_->Count(); si-- > 0;) {
        TScenario* s = scenarios_->Get(si);
        for (std::size_t i = 0; i < linkTypes_->Count(); ++i) {
            TLinkType* t = linkTypes_->Get(i);
            if (t->GetObjectIn(s, TLinkType::kAdmin) == admin)
                t->SetValueIn(s, TLinkType::kAdmin, TValue());
        }
    }
    DeleteFrom(*administrators_, admin);
}

void TProject::RemoveLinkType(TLinkType* type) {
    for (std::size_t si = scenarios_->Count(); si-- > 0;) {
        TScenario* s = scenarios_->Get(si);
        for (std::size_t i = 0; i < links_->Count(); ++i) {
            TLink* l = links_->Get(i);
            if (l->GetObjectIn(s, TLink::kType) != type) continue;
            l->SetValueIn(s, TLink::kType, TValue());
            l->SetValueIn(s, kPropUsed, TValue(false));
        }
    }
    DeleteFrom(*linkTypes_, type);
}

void TProject::RemoveNodeType(TNodeType* type) {
    for (std::size_t i = 0; i < nodes_->Count(); ++i)
        if (nodes_->Get(i)->NodeType() == type) nodes_->Get(i)->SetNodeType(nullptr);
    DeleteFrom(*nodeTypes_, type);
}

void TProject::RemoveSector(TSector* sector) {
    for (std::size_t i = 0; i < sectors_->Count(); ++i) {
        TSector* other = sectors_->Get(i);
        if (other != sector) other->DropSector(sector);
    }
    TAttractionFunctionList& functions = AttractionFunctions();
    for (std::size_t i = functions.Count(); i-- > 0;) {
        TAttractionFunction* f = functions.Get(i);
        bool targets = f->TargetSector() == sector;
        for (std::size_t k = 0; k < scenarios_->Count() && !targets; ++k)
            targets =
                f->GetObjectIn(scenarios_->Get(k), TAttractionFunction::kTargetSector) == sector;
        if (targets)
            DeleteFrom(functions, f);
        else
            f->DropSector(sector); // its attractors let go of the sector
    }
    DeleteFrom(*sectors_, sector);
}

void TProject::RemoveAttractionFunction(TAttractionFunction* function) {
    DeleteFrom(AttractionFunctions(), function);
}

void TProject::RemoveAll() {
    TNoUndoScope noUndo;
    // Nothing of this is recorded, so no earlier record may keep pointing at what goes now.
    undoSet_->Clear();
    const double total =
        static_cast<double>(linkRoutes_->Count() + links_->Count() + nodes_->Count()) + 1;
    double done = 0;
    auto step = [&] {
        done += 1;
        if (static_cast<std::int64_t>(done) % 1024 == 0)
            ShowProgress("Removing Objects", done / total);
    };
    ShowProgress("Removing Objects", 0);
    // Every link-route goes, so the lists of its link and route are emptied in one pass each
    // first: leaving them one by one costs a search and a shift in a list as long as the
    // study when the orders differ.
    {
        const std::unordered_set<const TZEPPersistent*> going(linkRoutes_->Items().begin(),
                                                              linkRoutes_->Items().end());
        auto linkList = [](const TLinkRoute* lr) -> TEntityList* {
            return lr->Link() ? &lr->Link()->LinkRoutes() : nullptr;
        };
        auto routeList = [](const TLinkRoute* lr) -> TEntityList* {
            return lr->Route() ? &lr->Route()->LinkRoutes() : nullptr;
        };
        std::unordered_set<TEntityList*> emptied;
        for (TZEPPersistent* item : linkRoutes_->Items()) {
            auto* lr = static_cast<TLinkRoute*>(item);
            for (TEntityList* list : {linkList(lr), routeList(lr)}) {
                if (!list || !emptied.insert(list).second) continue;
                // The entries that would leave through their own link or route.
                for (std::size_t i = list->Count(); i-- > 0;) {
                    auto* e = static_cast<TLinkRoute*>(list->Get(i));
                    if (going.count(e) && (linkList(e) == list || routeList(e) == list))
                        list->Delete(i);
                }
            }
        }
    }
    while (!linkRoutes_->IsEmpty()) {
        linkRoutes_->Delete(linkRoutes_->Count() - 1); // Dettach leaves the link and the route
        step();
    }
    while (!links_->IsEmpty()) {
        links_->Delete(links_->Count() - 1);
        step();
    }
    // Every zone goes, so the land-use records and OD pairs that point at one are dropped in
    // one pass over the sectors and zones instead of one pass per zone.
    {
        std::vector<TNode*> all(nodes_->Items().size());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = nodes_->Get(i);
        DropZoneRecords(all);
    }
    while (!nodes_->IsEmpty()) {
        RemoveNode(nodes_->Get(nodes_->Count() - 1));
        step();
    }
    EndProgress();
}

// ---- validation --------------------------------------------------------------------------------

std::unique_ptr<TEntityList> TProject::Validate() {
    auto invalid = std::make_unique<TEntityList>(false);
    invalid->SetRecordsUndo(false);
    constexpr double kSteps = 13;
    int step = 0;
    auto advance = [&] { ShowProgress("Validating", ++step / kSteps); };
    ShowProgress("Validating", 0);
    scenarios_->CollectInvalid(*invalid);
    transportZones_->CollectInvalid(*invalid);
    advance();
    macroZones_->CollectInvalid(*invalid);
    advance();
    categories_->CollectInvalid(*invalid);
    advance();
    sectors_->CollectInvalid(*invalid);
    advance();
    for (std::size_t i = 0; i < sectors_->Count(); ++i) {
        sectors_->Get(i)->Interactions().CollectInvalid(*invalid);
        sectors_->Get(i)->SectorZones().CollectInvalid(*invalid);
    }
    advance();
    administrators_->CollectInvalid(*invalid);
    advance();
    modes_->CollectInvalid(*invalid);
    advance();
    operators_->CollectInvalid(*invalid);
    advance();
    transfers_->CollectInvalid(*invalid);
    advance();
    routes_->CollectInvalid(*invalid);
    advance();
    nodes_->CollectInvalid(*invalid);
    advance();
    linkTypes_->CollectInvalid(*invalid);
    advance();
    links_->CollectInvalid(*invalid);
    advance();
    EndProgress();
    return invalid;
}

// ---- operator access ---------------------------------------------------------------------------

TOperatorRoute* TProject::InternalRouteOf(const TOperator* op) const {
    for (std::size_t i = 0; i < routes_->Count(); ++i)
        if (auto* r = dynamic_cast<TOperatorRoute*>(routes_->Get(i)))
            if (r->Operator() == op) return r;
    return nullptr;
}

void TProject::UpdateLinkAccess(TLink* link, TScenario* s) {
    if (readOnly_) return;
    TLinkRouteList& lrs = link->LinkRoutes();
    for (std::size_t i = lrs.Count(); i-- > 0;) {
        if (i >= lrs.Count()) continue;
        TLinkRoute* lr = lrs.Get(i);
        if (!lr) {
            lrs.Delete(i);
            continue;
        }
        TRoute* r = lr->Route();
        if (r && r->Internal() && r->Operator() && r->Operator()->Type() == otRoute)
            RemoveLinkRoute(lr);
    }
    for (std::size_t i = routes_->Count(); i-- > 0;) {
        if (i >= routes_->Count()) continue;
        TRoute* r = routes_->Get(i);
        if (!r->Internal()) continue;
        TOperator* op = r->Operator();
        if (!op) continue;
        if (op->Type() == otRoute) {
            RemoveRoute(r);
            continue;
        }
        if (OperatorMayUseLink(link, op, s)) {
            TLinkRoute* lr = NewLinkRoute(link, r);
            lr->SetUsedIn(s, true);
        } else if (TLinkRoute* lr = link->LinkRouteOf(r)) {
            lr->SetUsedIn(s, false);
        }
    }
}

void TProject::UpdateOperatorAccess(TOperator* op, TScenario* s) {
    TRoute* own = nullptr;
    for (std::size_t i = routes_->Count(); i-- > 0;) {
        if (i >= routes_->Count()) continue;
        TRoute* r = routes_->Get(i);
        if (!r->Internal()) continue;
        if (r->Operator() && r->Operator()->Type() == otRoute) {
            RemoveRoute(r);
            continue;
        }
        if (r->Operator() == op) own = r;
    }
    if (!own) return;
    for (std::size_t i = 0; i < links_->Count(); ++i) {
        TLink* l = links_->Get(i);
        if (OperatorMayUseLink(l, op, s)) NewLinkRoute(l, own);
    }
}

void TProject::UpdateAllAccess(TScenario* s) {
    for (std::size_t i = 0; i < operators_->Count(); ++i)
        UpdateOperatorAccess(operators_->Get(i), s);
}

// ---- loading -----------------------------------------------------------------------------------

void TProject::AfterLoad() {
    Repair();
    SortAll();
    RebuildMacroZoneMembers();
}

void TProject::RebuildMacroZoneMembers() {
    TNoUndoScope noUndo;
    for (std::size_t i = 0; i < macroZones_->Count(); ++i) {
        auto& subs = static_cast<TMacroZone*>(macroZones_->Get(i))->SubZones();
        while (subs.Count() > 0)
            subs.RawExtract(subs.Count() - 1);
    }
    for (std::size_t i = 0; i < transportZones_->Count(); ++i) {
        auto* micro = dynamic_cast<TMicroZone*>(transportZones_->Get(i));
        if (micro == nullptr) continue;
        TMacroZone* macro = micro->MacroZone();
        if (macro != nullptr && macroZones_->IndexOf(macro) >= 0) macro->SubZones().Add(micro);
    }
}

void TProject::SortAll() {
    TNoUndoScope noUndo;
    TEntityList* lists[] = {categories_.get(),     administrators_.get(), modes_.get(),
                            operators_.get(),      routes_.get(),         linkTypes_.get(),
                            nodeTypes_.get(),      nodes_.get(),          links_.get(),
                            macroZones_.get(),     transportZones_.get(), sectors_.get(),
                            &AttractionFunctions()};
    for (TEntityList* l : lists) {
        if (readOnly_) {
            // The model's own files keep their order: only the list indexes follow it. A
            // reference list must not renumber: the index belongs to the owning list.
            if (!l->Owns()) continue;
            for (std::size_t i = 0; i < l->Count(); ++i)
                l->Get(i)->SetListIndex(static_cast<std::int32_t>(i));
        } else {
            l->Sort();
        }
    }
}

// ---- the consistency pass ----------------------------------------------------------------------

namespace {

/// The items of a list, for membership tests during repair.
TAddressIndex MembersOf(const TPersistentList& list) {
    TAddressIndex members;
    members.Reserve(list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i)
        members.Insert(list.Item(i), static_cast<std::uint32_t>(i));
    return members;
}

/// Clears the entity-level "used" and the base scenario's when it equals the default: older
/// files stored both, which hides the scenario tree's own answer.
void ClearStoredUse(TVersionedEntity* e, TScenario* base) {
    if (e->Properties().Find(kPropUsed)) e->RawProperties().RawPut(kPropUsed, TValue());
    if (const TVersion* v = e->VersionOf(base))
        if (const TProperty* p = v->Find(kPropUsed))
            if (ValuesEqual(p->value, e->Specs().ById(kPropUsed).Default()))
                e->RawVersion(base).RawPut(kPropUsed, TValue());
}

/// Moves (or with `keep` copies) an entity-level value into the base scenario when the base
/// resolves nothing for it.
void LiftToBase(TVersionedEntity* e, TScenario* base, std::int32_t id, bool keep,
                TValue (*convert)(const TValue&) = nullptr) {
    const TProperty* own = e->Properties().Find(id);
    if (!own) return;
    TValue v = convert ? convert(own->value) : own->value;
    if (!e->Resolve(base, id)) e->RawVersion(base).RawPut(id, v);
    if (!keep) e->RawProperties().RawPut(id, TValue());
}

TValue AsReal(const TValue& v) {
    return TValue(v.ToDouble());
}
TValue AsInteger(const TValue& v) {
    return TValue(v.ToInteger());
}

} // namespace

void TProject::Repair() {
    TNoUndoScope noUndo;
    SetProjectAll();
    if (!Properties().Find(kTransSmoothing)) SetFloat(kTransSmoothing, 1.0);
    if (!Properties().Find(kLocSmoothing)) SetFloat(kLocSmoothing, 1.0);
    if (!readOnly_) {
        TScenario* base = BaseScenario();
        // Categories: available modes that are gone or listed twice.
        for (std::size_t i = 0; i < categories_->Count(); ++i) {
            TModeList& modes = categories_->Get(i)->AvailableModes();
            for (std::size_t k = modes.Count(); k-- > 0;) {
                TMode* m = modes.Get(k);
                const std::ptrdiff_t first = modes.IndexOf(m);
                if (!modes_->Contains(m) || first < static_cast<std::ptrdiff_t>(k)) modes.Delete(k);
            }
        }
        for (std::size_t i = 0; i < modes_->Count(); ++i) {
            LiftToBase(modes_->Get(i), base, TMode::kPathOverlappingFactor, false, AsReal);
            LiftToBase(modes_->Get(i), base, TMode::kNofPaths, false, AsInteger);
        }
        RepairRoutes();
        RepairOperators();
        RepairLinkRoutes();
        UpdateAllAccess(base);
        for (std::size_t i = 0; i < routes_->Count(); ++i) {
            TRouteLinkRouteList& lrs = routes_->Get(i)->LinkRoutes();
            for (std::size_t k = lrs.Count(); k-- > 0;) {
                TLink* l = lrs.Get(k)->Link();
                if (l && l->Tail() && l->Head()) continue;
                Upgrade("not Prj.LinrRoutes.Member(LR)");
                lrs.Delete(k);
            }
        }
        RepairLinks();
        // Node link lists always exist here, so no node is removed for lacking them.
        RepairLinkTypes();
        RepairLandUse();
        TAddressIndex links = MembersOf(*links_);
        for (std::size_t i = 0; i < nodes_->Count(); ++i) {
            TNode* n = nodes_->Get(i);
            for (TBaseLinkList* l : {&n->InLinks(), &n->OutLinks()})
                for (std::size_t k = l->Count(); k-- > 0;)
                    if (!links.Contains(l->Get(k))) l->Delete(k);
            ShowProgress("Updating node connections", (i + 1.0) / nodes_->Count());
        }
    }
    EndProgress();
}

void TProject::RepairRoutes() {
    TScenario* base = BaseScenario();
    for (std::size_t i = routes_->Count(); i-- > 0;) {
        TRoute* r = routes_->Get(i);
        ClearStoredUse(r, base);
        if (!r->Operator()) {
            if (TOperator* op = FirstRouteOperator()) {
                r->SetOperator(op);
            } else {
                RemoveRoute(r);
                continue;
            }
        }
        if (!r->Resolve(base, TRoute::kTargetOccupancy))
            r->SetValueIn(base, TRoute::kTargetOccupancy, TValue(0.5));
        const double minFreq = r->GetFloatIn(base, TRoute::kMinFreq);
        const double maxFreq = r->GetFloatIn(base, TRoute::kMaxFreq);
        if (maxFreq < minFreq) {
            if (std::isfinite(minFreq) && minFreq >= 0) {
                r->SetValueIn(base, TRoute::kMaxFreq, TValue(minFreq));
            } else {
                r->SetValueIn(base, TRoute::kMinFreq, TValue(0.0));
                r->SetValueIn(base, TRoute::kMaxFreq,
                              TValue(std::numeric_limits<double>::infinity()));
            }
        }
        ShowProgress("Updating Routes", 1.0 - static_cast<double>(i) / (routes_->Count() + 1));
    }
}

void TProject::RepairOperators() {
    for (std::size_t i = 0; i < operators_->Count(); ++i) {
        TOperator* op = operators_->Get(i);
        TTransferList& ts = op->Transfers();
        for (std::size_t k = ts.Count(); k-- > 0;) {
            TTransfer* t = ts.Get(k);
            if (!t->ToOperator()) {
                transfers_->Remove(t);
                ts.Delete(k);
            } else if (!transfers_->Contains(t)) {
                transfers_->Add(t);
            }
        }
        TOperatorCategoryList& ocs = op->OperatorCategories();
        for (std::size_t k = ocs.Count(); k-- > 0;) {
            TOperatorCategory* oc = ocs.Get(k);
            if (!categories_->Contains(oc->Category()) || oc->Operator() != op) ocs.Delete(k);
        }
    }
}

void TProject::RepairLinkRoutes() {
    TScenario* base = BaseScenario();
    const TAddressIndex routes = MembersOf(*routes_);
    const std::size_t total = linkRoutes_->Count();
    // The stream keeps only the owning list: the links' and routes' lists are rebuilt here, in
    // list order, so that a route's link-routes come back in the order they were stored.
    for (std::size_t i = 0; i < total; ++i) {
        TLinkRoute* lr = linkRoutes_->Get(i);
        if (lr->Link() && lr->Link()->Tail() && lr->Link()->Head() && lr->Route() &&
            routes.Contains(lr->Route()))
            lr->Register();
    }
    for (std::size_t i = linkRoutes_->Count(); i-- > 0;) {
        if (i >= linkRoutes_->Count()) continue;
        TLinkRoute* lr = linkRoutes_->Get(i);
        try {
            ClearStoredUse(lr, base);
            const char* fault = nullptr;
            if (!lr->Link())
                fault = "LR.Link = nil";
            else if (!lr->Route())
                fault = "LR.R = nil";
            else if (!lr->Link()->Tail())
                fault = "LR.Link.Source = nil";
            else if (!lr->Link()->Head())
                fault = "LR.Link.Sink = nil";
            else if (!routes.Contains(lr->Route()))
                fault = "Not Routes.Member(LR.R)";
            if (fault) {
                Upgrade(fault);
                RemoveLinkRoute(lr);
            } else {
                // Registered by the first pass.
                bool anyVersion = false;
                for (std::size_t s = 0; s < scenarios_->Count() && !anyVersion; ++s)
                    anyVersion = lr->HasVersion(scenarios_->Get(s));
                if (!anyVersion && !lr->IsUsedIn(base)) RemoveLinkRoute(lr);
            }
        } catch (const std::exception&) {
            ShowError("Problems detected!");
            RemoveLinkRoute(lr);
        }
        if (i % 64 == 0)
            ShowProgress("Updating Link-Routes", (total - i) / static_cast<double>(total));
    }
}

void TProject::RepairLinks() {
    TScenario* base = BaseScenario();
    const TAddressIndex nodes = MembersOf(*nodes_);
    for (std::size_t i = links_->Count(); i-- > 0;) {
        if (i >= links_->Count()) continue;
        TLink* l = links_->Get(i);
        if (l->Tail() && l->Head()) {
            l->Attach();
            ClearStoredUse(l, base);
            if (l->HasTurns()) {
                TTurnRestrictionList& turns = l->Turns();
                for (std::size_t k = turns.Count(); k-- > 0;)
                    if (!nodes.Contains(turns.Get(k)->To())) turns.Delete(k);
            }
        } else {
            RemoveLink(l, false);
        }
    }
}

void TProject::RepairLinkTypes() {
    const TAddressIndex admins = MembersOf(*administrators_);
    for (std::size_t i = 0; i < linkTypes_->Count(); ++i) {
        TLinkType* t = linkTypes_->Get(i);
        for (const auto& v : t->Versions()) {
            const TProperty* p = v->Find(TLinkType::kAdmin);
            // Not a reference, or a reference to an administrator the study no longer has.
            if (p && !p->value.IsEmpty() &&
                (!p->value.IsObject() || !admins.Contains(p->value.ToObject())))
                v->RawPut(TLinkType::kAdmin, TValue());
        }
        TLinkTypeOperList& data = t->OperatorDataList();
        for (std::size_t k = data.Count(); k-- > 0;)
            if (!operators_->Contains(data.Get(k)->Operator())) data.Delete(k);
    }
}

namespace {

/// Whether any version, or the entity level, holds a "trips" value other than 0.
bool HasTrips(const TCategoryMode* cm) {
    if (const TProperty* p = cm->Properties().Find(TCategoryMode::kTrips))
        if (p->value.ToDouble() != 0) return true;
    for (const auto& v : cm->Versions())
        if (const TProperty* p = v->Find(TCategoryMode::kTrips))
            if (p->value.ToDouble() != 0) return true;
    return false;
}

/// Whether a sector-zone record holds data: its references do not count.
bool HoldsData(const TSectorZone* sz) {
    for (const TProperty& p : sz->Properties())
        if (p.Id() != kPropId && p.Id() != kPropName && p.Id() != TSectorZone::kSector &&
            p.Id() != TSectorZone::kZone)
            return true;
    for (const auto& v : sz->Versions())
        if (!v->Empty()) return true;
    return false;
}

/// Whether the entity's specification keeps `id` at the entity level.
bool EntityLevel(const TEntity* e, std::int32_t id) {
    return e->Specs().ById(id).HasFlag(psUnversioned | psAttribute);
}

} // namespace

void TProject::RepairLandUse() {
    TScenario* base = BaseScenario();
    const TAddressIndex zones = MembersOf(*transportZones_);
    for (std::size_t i = 0; i < transportZones_->Count(); ++i) {
        TTransportZone* z = transportZones_->Get(i);
        TODPairList& pairs = z->ODPairs();
        for (std::size_t k = pairs.Count(); k-- > 0;) {
            TODPair* od = pairs.Get(k);
            if (!zones.Contains(od->Destination())) {
                pairs.Delete(k);
                continue;
            }
            TCategoryModeList& records = od->CategoryModes();
            for (std::size_t m = records.Count(); m-- > 0;) {
                TCategoryMode* cm = records.Get(m);
                if (const TProperty* f = cm->Properties().Find(TCategoryMode::kTripFactor)) {
                    if (!cm->Resolve(base, TCategoryMode::kTrips))
                        cm->RawVersion(base).RawPut(TCategoryMode::kTrips, f->value);
                    cm->RawProperties().RawPut(TCategoryMode::kTripFactor, TValue());
                }
                if (!HasTrips(cm)) records.Delete(m);
            }
            if (records.IsEmpty()) {
                pairs.Delete(k);
                continue;
            }
            for (std::size_t m = 0; m < records.Count(); ++m) {
                TCategory* c = records.Get(m)->Category();
                if (c && !categories_->Contains(c)) categories_->Add(c);
            }
        }
        ShowProgress("Updating OD Pairs", (i + 1.0) / transportZones_->Count());
    }
    const TAddressIndex sectors = MembersOf(*sectors_);
    for (std::size_t i = 0; i < sectors_->Count(); ++i) {
        TSector* s = sectors_->Get(i);
        // Values older files kept for all scenarios go to the base scenario; values that are
        // still kept for all scenarios stay where they are read.
        for (std::int32_t id : {TSector::kAtractorFactor, TSector::kDistParam})
            if (!EntityLevel(s, id)) LiftToBase(s, base, id, true);
        for (std::int32_t id :
             {TSector::kDistParam2, TSector::kDistLogitScaling, TSector::kPriceScale})
            if (!EntityLevel(s, id)) LiftToBase(s, base, id, false);
        for (std::int32_t id : {TSector::kDistLogitScaling, TSector::kPriceScale})
            if (!EntityLevel(s, id) && !s->Resolve(base, id)) s->SetValueIn(base, id, TValue(1.0));
        TSectorInteractionList& xs = s->Interactions();
        for (std::size_t k = xs.Count(); k-- > 0;) {
            TSectorInteraction* x = xs.Get(k);
            if (!x->FromSector() || !x->InputSector() || !sectors.Contains(x->FromSector()) ||
                !sectors.Contains(x->InputSector())) {
                xs.Delete(k);
                continue;
            }
            if (!x->Resolve(base, TSectorInteraction::kSubstitutionLogitScaling))
                x->SetValueIn(base, TSectorInteraction::kSubstitutionLogitScaling, TValue(1.0));
            TSectorList& subs = x->Substitutes();
            for (std::size_t m = subs.Count(); m-- > 0;)
                if (!sectors.Contains(subs.Get(m))) subs.Delete(m);
        }
        TSectorZoneList& data = s->SectorZones();
        for (std::size_t k = data.Count(); k-- > 0;) {
            TSectorZone* sz = data.Get(k);
            if ((sz->Zone() && !zones.Contains(sz->Zone())) || !HoldsData(sz)) data.Delete(k);
        }
        ShowProgress("Updating Sector Interactions", (i + 1.0) / sectors_->Count());
    }
}

// ---- class registry ----------------------------------------------------------------------------

void TProject::RegisterModelClasses() {
    RegisterClass<TProject>("TProject");
    RegisterClass<TScenario>("TScenario");
    RegisterClass<TAdministrator>("TAdministrator");
    RegisterClass<TCategory>("TCategory");
    RegisterClass<TMode>("TMode");
    RegisterClass<TOperator>("TOperator");
    RegisterClass<TTransfer>("TTransfer");
    RegisterClass<TOperatorCategory>("TOperatorCategory");
    RegisterClass<TOperatorCategoryList>("TOperatorCategoryList");
    RegisterClass<TRoute>("TRoute");
    RegisterClass<TOperatorRoute>("TOperatorRoute");
    RegisterClass<TNodeType>("TNodeType");
    RegisterClass<TNode>("TNode");
    RegisterClass<TLinkType>("TLinkType");
    RegisterClass<TLink>("TLink");
    RegisterClass<TLinkRoute>("TLinkRoute");
    RegisterClass<TLinkTypeOper>("TLinkTypeOper");
    RegisterClass<TTurnRestriction>("TTurnRestriction");
    RegisterClass<TZone>("TZone");
    RegisterClass<TExternalZone>("TExternalZone");
    RegisterClass<TMicroZone>("TMicroZone");
    RegisterClass<TMacroZone>("TMacroZone");
    RegisterClass<TODPair>("TODPair");
    RegisterClass<TCategoryMode>("TCategoryMode");
    RegisterClass<TSector>("TSector");
    RegisterClass<TSectorInteraction>("TSectorInteraction");
    RegisterClass<TSectorCategory>("TSectorCategory");
    RegisterClass<TSectorZone>("TSectorZone");
    RegisterClass<TAttractionFunction>("TAttractionFunction");
    RegisterClass<TAttractionFunctionList>("TAttractionFunctionList");
    RegisterClass<TAttractor>("TAttractor");
    RegisterClass<TAttractorList>("TAttractorList");
}

} // namespace zep::model
