#include "model/Project.h"
#include "model/ProjectDetail.h"

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

using namespace detail;

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
    return ScenarioPathFileName(*this, CurrentScenario(), modeIndex, compressed);
}

std::string ScenarioPathFileName(const TProject& project, const TScenario* scenario,
                                 std::int32_t modeIndex, bool compressed) {
    namespace fs = std::filesystem;
    const std::string scenarioName = Trim(scenario ? scenario->GetName() : std::string());
    const std::string plain =
        project.GetName().substr(0, 3) + scenarioName + ".P" + std::to_string(modeIndex + 1) + "S";
    std::string packed = plain;
    if (packed.back() == 'S' || packed.back() == 's')
        packed.back() = 'Z';
    else
        packed += ".gz";
    const std::string& name = compressed ? packed : plain;
    fs::path dir = fs::path(project.FileName()).parent_path();
    if (project.ReadOnly() && !scenarioName.empty() && !dir.empty() &&
        dir.filename().string() == scenarioName) {
        std::error_code ec;
        const auto present = [&ec, &plain, &packed](const fs::path& d) {
            return fs::is_regular_file(d / plain, ec) || fs::is_regular_file(d / packed, ec);
        };
        if (!present(dir) && present(dir.parent_path())) dir = dir.parent_path();
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