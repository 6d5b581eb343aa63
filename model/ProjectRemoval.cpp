// The project's removals and their cascades.
#include "model/Project.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <type_traits>

#include "foundation/AddressIndex.h"
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

namespace {
// Entities by their list index, last first. Each index is read once: while removals are
// deferred an index is worked out from the list's pending shifts, and a comparison sort would
// ask for it some forty times per entity of a whole network. The comparisons, and so the
// order, are those of sorting on the index itself.
template <class T> void SortByIndexDown(std::vector<T*>& entities) {
    std::vector<std::pair<std::int32_t, T*>> keyed;
    keyed.reserve(entities.size());
    for (T* e : entities)
        keyed.emplace_back(e->ListIndex(), e);
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        entities[i] = keyed[i].second;
}
} // namespace

void TProject::RemoveNodes(const std::vector<TNode*>& nodes) {
    // Removing a sizeable share of the network, each long list is swept once at the end and
    // records one bulk step instead of a step per entry: a fraction of the memory, and the undo
    // puts each list back in one pass. The sweeps walk whole lists, so small removals do not.
    std::optional<TDeferredRemovals> deferred;
    if (nodes.size() * 16 >= nodes_->Count()) deferred.emplace(*this);
    // Sets of millions of addresses: flat tables, not a heap node per entry.
    TAddressIndex gone;
    gone.Reserve(nodes.size());
    for (const TNode* n : nodes)
        gone.Insert(n, 0);
    std::vector<TLink*> links;
    TAddressIndex linkSet;
    for (TNode* n : nodes)
        for (TBaseLinkList* list : {&n->OutLinks(), &n->InLinks()})
            for (std::size_t i = 0; i < list->Count(); ++i)
                if (auto* l = dynamic_cast<TLink*>(list->Get(i)))
                    if (linkSet.Insert(l, 0)) links.push_back(l);
    for (TNode* n : nodes) {
        const TBaseLinkList& in = n->InLinks();
        for (std::size_t i = 0; i < in.Count(); ++i)
            if (TNode* tail = in.Get(i)->Tail(); tail && !gone.Contains(tail)) {
                const TBaseLinkList& into = tail->InLinks();
                for (std::size_t k = 0; k < into.Count(); ++k)
                    if (auto* t = dynamic_cast<TLink*>(into.Get(k)); t && t->HasTurns())
                        t->Turns().DropNode(n);
            }
    }
    DropZoneRecords(nodes);
    // Deleting from the back of each list keeps every deletion (and its undo) cheap; deferred
    // deletions only mark their entities, in any order.
    auto backToFront = [&deferred](auto& entities) {
        if (!deferred) SortByIndexDown(entities);
    };
    std::vector<TLinkRoute*> lrs;
    for (TLink* l : links)
        for (std::size_t i = 0; i < l->LinkRoutes().Count(); ++i)
            lrs.push_back(l->LinkRoutes().Get(i));
    backToFront(lrs);
    for (TLinkRoute* lr : lrs) {
        // Every link here leaves the study with its link-routes: a link-route leaves its
        // route's list but stays in its link's, and undo and redo move both together. Emptying
        // the links' lists took an undo step per link-route, more than half of the steps of a
        // whole network's removal.
        if (deferred && lr->OwnerList() == linkRoutes_.get()) {
            if (TRoute* r = lr->Route()) r->LinkRoutes().Drop(lr);
            DeleteFrom(*linkRoutes_, lr, false);
        } else {
            RemoveLinkRoute(lr);
        }
    }
    std::vector<TLink*> survivors;
    for (TLink* l : links)
        if (TLink* rev = ReverseLink(l); rev && !linkSet.Contains(rev)) survivors.push_back(rev);
    backToFront(links);
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
    backToFront(order);
    for (TNode* n : order) {
        if (n->IsZone()) transportZones_->Remove(n);
        DeleteFrom(*nodes_, n);
    }
}

void TProject::DropZoneRecords(const std::vector<TNode*>& nodes) {
    TAddressIndex zones;
    for (TNode* n : nodes)
        if (auto* z = dynamic_cast<TTransportZone*>(n))
            zones.Insert(static_cast<const TZone*>(z), 0);
    if (!zones.Count()) return;
    for (std::size_t i = 0; i < sectors_->Count(); ++i) {
        TSectorZoneList& records = sectors_->Get(i)->SectorZones();
        for (std::size_t k = records.Count(); k-- > 0;)
            if (zones.Contains(static_cast<const TZone*>(records.Get(k)->Zone())))
                records.Delete(k);
    }
    for (std::size_t i = 0; i < transportZones_->Count(); ++i) {
        TODPairList& pairs = transportZones_->Get(i)->ODPairs();
        for (std::size_t k = pairs.Count(); k-- > 0;)
            if (zones.Contains(static_cast<const TZone*>(pairs.Get(k)->Destination())))
                pairs.Delete(k);
    }
}

void TProject::RemoveMacroZone(TMacroZone* zone) {
    DeleteFrom(*macroZones_, zone);
}

void TProject::RemoveRoute(TRoute* route) {
    // A copy: while removals are deferred, the route's list keeps its entries until the end.
    const auto lrs = route->LinkRoutes().Items();
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
    // Changes in the middle of a long list leave shifts pending (an undone removal puts its
    // entities back there), which every removal from its end would walk: settled once here.
    for (TEntityList* list :
         {static_cast<TEntityList*>(linkRoutes_.get()), static_cast<TEntityList*>(links_.get()),
          static_cast<TEntityList*>(nodes_.get()), static_cast<TEntityList*>(routes_.get())})
        list->SettleIndexes();
    // Every link-route goes, so the links' and routes' lists are emptied first, each in one
    // pass from its end without reading its entries: leaving them one by one costs a search and
    // a shift in a list as long as the study when the orders differ, and reading the
    // link-routes in a link's or a route's order is a cache miss per link-route in a large
    // study. The link-routes themselves then go without visiting their links and routes again.
    for (std::size_t i = 0; i < links_->Count(); ++i)
        links_->Get(i)->LinkRoutes().Clear();
    for (std::size_t i = 0; i < routes_->Count(); ++i)
        routes_->Get(i)->LinkRoutes().Clear();
    while (!linkRoutes_->IsEmpty()) {
        linkRoutes_->DeleteDetached(linkRoutes_->Count() - 1);
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

} // namespace zep::model
