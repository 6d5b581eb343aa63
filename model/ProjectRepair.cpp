// The project's validation, operator access, loading and consistency pass.
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

#include "model/ProjectDetail.h"

namespace zep::model {

using namespace detail;

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
    for (TRoute* r : InternalRoutes())
        if (auto* own = dynamic_cast<TOperatorRoute*>(r))
            if (own->Operator() == op) return own;
    return nullptr;
}

const std::vector<TRoute*>& TProject::InternalRoutes() const {
    if (internalRoutesStamp_ != routes_->Changes()) {
        internalRoutes_.clear();
        for (std::size_t i = 0; i < routes_->Count(); ++i)
            if (routes_->Get(i)->Internal()) internalRoutes_.push_back(routes_->Get(i));
        internalRoutesStamp_ = routes_->Changes();
    }
    return internalRoutes_;
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
    // A copy: removing a route below changes the list the cached one comes from.
    const std::vector<TRoute*> internal = InternalRoutes();
    for (std::size_t i = internal.size(); i-- > 0;) {
        TRoute* r = internal[i];
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
            if (l->Owns()) l->RenumberAll();
        } else {
            l->Sort();
        }
    }
}

// ---- the consistency pass ----------------------------------------------------------------------

namespace {

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
        // The stream keeps only the owning list: the links' and routes' lists are rebuilt first,
        // in list order, so that a route's link-routes come back in the order they were stored
        // and the repairs below see every route's and link's link-routes.
        RegisterLinkRoutes();
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
        // Every link of the study now has both ends and sits in its tail's out-links and its
        // head's in-links. Nodes whose lists hold no more entries than that hold nothing else:
        // only more entries call for the search of every list.
        std::size_t entries = 0;
        for (std::size_t i = 0; i < nodes_->Count(); ++i) {
            entries += nodes_->Get(i)->InLinks().Count() + nodes_->Get(i)->OutLinks().Count();
            ShowProgress("Updating node connections", (i + 1.0) / nodes_->Count());
        }
        if (entries != 2 * links_->Count()) {
            TListMembers links(*links_);
            for (std::size_t i = 0; i < nodes_->Count(); ++i) {
                TNode* n = nodes_->Get(i);
                for (TBaseLinkList* l : {&n->InLinks(), &n->OutLinks()})
                    for (std::size_t k = l->Count(); k-- > 0;)
                        if (!links.Contains(l->Get(k))) l->Delete(k);
                ShowProgress("Updating node connections", (i + 1.0) / nodes_->Count());
            }
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

void TProject::RegisterLinkRoutes() {
    const std::size_t total = linkRoutes_->Count();
    const TAddressIndex members = MembersOf(*routes_);
    // Which link-routes their route's list holds already, found in one pass over the routes'
    // lists instead of a search of a route's list (it may hold millions) for each.
    std::vector<char> listed(total);
    for (std::size_t r = 0; r < routes_->Count(); ++r) {
        TRoute* route = routes_->Get(r);
        for (TZEPPersistent* item : route->LinkRoutes().Items()) {
            auto* lr = static_cast<TLinkRoute*>(item);
            if (lr->Route() == route && IsAtOwnPlace(*linkRoutes_, lr))
                listed[static_cast<std::size_t>(lr->ListIndex())] = 1;
        }
    }
    for (std::size_t i = 0; i < total; ++i) {
        TLinkRoute* lr = linkRoutes_->Get(i);
        if (!lr->Link() || !lr->Route()) continue;
        if (lr->ListIndex() != static_cast<std::int32_t>(i) || !members.Contains(lr->Route())) {
            lr->Register(); // outside what the pass above saw
            continue;
        }
        TLinkRouteList& ofLink = lr->Link()->LinkRoutes();
        if (ofLink.IndexOf(lr) < 0) ofLink.Add(lr);
        if (!listed[i]) lr->Route()->LinkRoutes().Add(lr);
    }
}

void TProject::RepairLinkRoutes() {
    TScenario* base = BaseScenario();
    const TAddressIndex routes = MembersOf(*routes_);
    const std::size_t total = linkRoutes_->Count();
    // Every link-route is in its link's and route's lists (Repair began with that): those that
    // are faulty leave them again here.
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
    TListMembers nodes(*nodes_);
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

} // namespace zep::model
