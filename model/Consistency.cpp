#include "model/Consistency.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <iterator>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "foundation/AddressIndex.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/CanonicalDump.h"
#include "model/KindCast.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/ListMembers.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::model {

namespace {

// A set of objects by address in one flat table (a study holds millions of them), remembering
// the order they came in.
class TObjectSet {
public:
    TObjectSet() = default;
    template <class It> TObjectSet(It first, It last) {
        index_.Reserve(static_cast<std::size_t>(std::distance(first, last)));
        for (; first != last; ++first)
            insert(*first);
    }
    void Reserve(std::size_t count) {
        index_.Reserve(count);
        order_.reserve(count);
    }
    /// Answers whether the object is new to the set.
    bool insert(const TZEPPersistent* o) {
        if (!index_.Insert(o, 0)) return false;
        order_.push_back(o);
        return true;
    }
    std::size_t count(const TZEPPersistent* o) const { return index_.Contains(o) ? 1 : 0; }
    const std::vector<const TZEPPersistent*>& InOrder() const { return order_; }

private:
    TAddressIndex index_;
    std::vector<const TZEPPersistent*> order_;
};

// Answers whether a route is met for the first time among a link's link-routes: a scan of the
// few met so far, a table once there are many.
class TFirstTime {
public:
    void Reset() {
        if (met_.size() >= kScanned) many_.Clear();
        met_.clear();
    }
    bool operator()(const TRoute* r) {
        if (met_.size() < kScanned) {
            if (std::find(met_.begin(), met_.end(), r) != met_.end()) return false;
            met_.push_back(r);
            if (met_.size() == kScanned)
                for (const TRoute* m : met_)
                    many_.Insert(Key(m), 0);
            return true;
        }
        return many_.Insert(Key(r), 0);
    }

private:
    static constexpr std::size_t kScanned = 32;
    // The table holds no null address: a missing route stands as the table itself.
    const void* Key(const TRoute* r) const { return r ? static_cast<const void*>(r) : &many_; }
    std::vector<const TRoute*> met_;
    TAddressIndex many_;
};

class TChecker {
public:
    explicit TChecker(TProject& project) : p_(project) {}

    std::vector<std::string> Run(const std::function<void(double)>& progress) {
        const std::function<void()> steps[] = {
            [&] { CollectLive(); },     [&] { CheckOwningLists(); }, [&] { CheckLinks(); },
            [&] { CheckLinkRoutes(); }, [&] { CheckOperators(); },   [&] { CheckZones(); },
            [&] { CheckReferences(); }};
        const double count = static_cast<double>(std::size(steps));
        double done = 0;
        for (const auto& step : steps) {
            step();
            if (progress) progress(++done / count);
        }
        return std::move(problems_);
    }

private:
    void Fail(const std::string& what) { problems_.push_back(what); }

    static std::string Name(const TEntity* e) {
        if (!e) return "nil";
        return std::string(e->ClassName()) + " " + e->KeyText();
    }

    void Live(const TZEPPersistent* o) {
        if (o) live_.insert(o);
    }
    void LiveList(const TEntityList& l) {
        Live(&l);
        for (const TZEPPersistent* o : l.Items())
            Live(o);
    }

    // Everything the study holds: entities of its lists and the records they own.
    void CollectLive() {
        // Room for the long lists and what they own at once, rather than growth by doubling.
        live_.Reserve(p_.Nodes().Count() + p_.Links().Count() + p_.LinkRoutes().Count() +
                      p_.Routes().Count() + p_.TransportZones().Count() + 64);
        LiveList(p_.Scenarios());
        LiveList(p_.ServiceLevels());
        LiveList(p_.Nodes());
        LiveList(p_.NodeTypes());
        LiveList(p_.Categories());
        LiveList(p_.Administrators());
        LiveList(p_.Modes());
        LiveList(p_.Operators());
        LiveList(p_.Routes());
        LiveList(p_.LinkTypes());
        LiveList(p_.Links());
        LiveList(p_.LinkRoutes());
        LiveList(p_.MacroZones());
        LiveList(p_.Sectors());
        LiveList(p_.AttractionFunctions());
        for (std::size_t i = 0; i < p_.Operators().Count(); ++i) {
            TOperator* op = p_.Operators().Get(i);
            LiveList(op->Transfers());
            LiveList(op->OperatorCategories());
        }
        for (std::size_t i = 0; i < p_.LinkTypes().Count(); ++i)
            LiveList(p_.LinkTypes().Get(i)->OperatorDataList());
        for (std::size_t i = 0; i < p_.Links().Count(); ++i)
            if (p_.Links().Get(i)->HasTurns()) LiveList(p_.Links().Get(i)->Turns());
        for (std::size_t i = 0; i < p_.TransportZones().Count(); ++i) {
            TTransportZone* z = p_.TransportZones().Get(i);
            LiveList(z->ODPairs());
            for (std::size_t k = 0; k < z->ODPairs().Count(); ++k)
                LiveList(z->ODPairs().Get(k)->CategoryModes());
        }
        for (std::size_t i = 0; i < p_.Sectors().Count(); ++i) {
            TSector* s = p_.Sectors().Get(i);
            LiveList(s->Interactions());
            LiveList(s->SectorZones());
            LiveList(s->SectorCategories());
        }
        TAttractionFunctionList& fs = p_.AttractionFunctions();
        for (std::size_t i = 0; i < fs.Count(); ++i)
            LiveList(fs.Get(i)->Attractors());
    }

    // Whether an owning list is sound without tables: every entity at its own place (then none
    // is there twice) and, where asked, every identifier once.
    static bool OwningListSound(const TEntityList& list, bool uniqueIds) {
        if (!list.Owns()) return false;
        std::vector<std::int32_t> ids;
        if (uniqueIds) ids.reserve(list.Count());
        for (std::size_t i = 0; i < list.Count(); ++i) {
            const TEntity* e = list.Get(i);
            if (e->OwnerList() != &list || e->ListIndex() != static_cast<std::int32_t>(i))
                return false;
            if (uniqueIds) ids.push_back(e->Id());
        }
        std::sort(ids.begin(), ids.end());
        return std::adjacent_find(ids.begin(), ids.end()) == ids.end();
    }

    void CheckOwning(const TEntityList& list, const char* what, bool uniqueIds) {
        if (OwningListSound(list, uniqueIds)) return;
        TObjectSet seen;
        seen.Reserve(list.Count());
        std::unordered_map<std::int32_t, const TEntity*> ids;
        if (uniqueIds) ids.reserve(list.Count());
        for (std::size_t i = 0; i < list.Count(); ++i) {
            const TEntity* e = list.Get(i);
            if (!seen.insert(e)) Fail(std::string(what) + ": " + Name(e) + " twice");
            if (list.Owns() &&
                (e->OwnerList() != &list || e->ListIndex() != static_cast<std::int32_t>(i)))
                Fail(std::string(what) + ": " + Name(e) + " has list index " +
                     std::to_string(e->ListIndex()) + " at position " + std::to_string(i));
            if (uniqueIds) {
                auto [it, fresh] = ids.emplace(e->Id(), e);
                if (!fresh)
                    Fail(std::string(what) + ": identifier " + std::to_string(e->Id()) +
                         " held by " + Name(it->second) + " and " + Name(e));
            }
        }
    }

    void CheckOwningLists() {
        CheckOwning(p_.Scenarios(), "scenarios", false);
        CheckOwning(p_.Nodes(), "nodes", true);
        CheckOwning(p_.NodeTypes(), "node types", true);
        CheckOwning(p_.Categories(), "categories", true);
        CheckOwning(p_.Administrators(), "administrators", true);
        CheckOwning(p_.Modes(), "modes", true);
        CheckOwning(p_.Operators(), "operators", true);
        CheckOwning(p_.Routes(), "routes", true);
        CheckOwning(p_.LinkTypes(), "link types", true);
        CheckOwning(p_.Links(), "links", false);
        CheckOwning(p_.LinkRoutes(), "link-routes", false);
        CheckOwning(p_.MacroZones(), "macro zones", true);
        CheckOwning(p_.Sectors(), "sectors", true);
        CheckOwning(p_.Transfers(), "transfers", false);
        CheckOwning(p_.TransportZones(), "transport zones", false);
        CheckOwning(p_.AttractionFunctions(), "attraction functions", false);
        std::unordered_set<std::string> names;
        for (std::size_t i = 0; i < p_.Scenarios().Count(); ++i) {
            TScenario* s = p_.Scenarios().Get(i);
            if (!names.insert(s->GetName()).second)
                Fail("scenarios: name " + s->GetName() + " twice");
            if (s->Parent() && !live_.count(s->Parent()))
                Fail("scenario " + s->GetName() + ": parent not in the study");
        }
        if (!p_.Scenarios().Contains(p_.BaseScenario())) Fail("base scenario not in the list");
    }

    // How often a list holds an item. A long list (a route's link-routes, a hub's links, the
    // transfer index) is counted once into a table, so asking for each of its items stays
    // linear in the list; the lists do not change while the check runs.
    std::size_t Occurrences(const TEntityList& list, const TZEPPersistent* item) {
        constexpr std::size_t kCountedFrom = 32;
        if (list.Count() < kCountedFrom) {
            std::size_t n = 0;
            for (const TZEPPersistent* o : list.Items())
                n += o == item;
            return n;
        }
        auto [it, fresh] = counts_.try_emplace(&list);
        TAddressIndex& counts = it->second;
        if (fresh) {
            counts.Reserve(list.Count());
            for (const TZEPPersistent* o : list.Items())
                if (!counts.Insert(o, 1)) counts.Update(o, counts.Find(o) + 1);
        }
        const std::uint32_t n = counts.Find(item);
        return n == TAddressIndex::kAbsent ? 0 : n;
    }

    void CheckLinks() {
        TLinkList& links = p_.Links();
        for (std::size_t i = 0; i < links.Count(); ++i) {
            TLink* l = links.Get(i);
            if (!l->Tail() || !l->Head() || !IsLive(l->Tail()) || !IsLive(l->Head())) {
                Fail(Name(l) + ": end node missing or not in the study");
                continue;
            }
            if (Occurrences(l->Tail()->OutLinks(), l) != 1)
                Fail(Name(l) + ": not once in its tail's outgoing links");
            if (Occurrences(l->Head()->InLinks(), l) != 1)
                Fail(Name(l) + ": not once in its head's incoming links");
            if (l->GetObject(TLink::kFrom) != l->Tail() || l->GetObject(TLink::kTo) != l->Head())
                Fail(Name(l) + ": \"from\"/\"to\" differ from its nodes");
            for (std::size_t k = 0; l->HasTurns() && k < l->Turns().Count(); ++k)
                if (!live_.count(l->Turns().Get(k)->To()))
                    Fail(Name(l) + ": turn towards a node not in the study");
        }
        TListMembers linkSet(links);
        TNodeList& nodes = p_.Nodes();
        for (std::size_t i = 0; i < nodes.Count(); ++i) {
            TNode* n = nodes.Get(i);
            for (std::size_t k = 0; k < n->OutLinks().Count(); ++k) {
                TBaseLink* l = n->OutLinks().Get(k);
                if (!linkSet.Contains(l) || l->Tail() != n)
                    Fail(Name(n) + ": outgoing entry that is not its link of the study");
            }
            for (std::size_t k = 0; k < n->InLinks().Count(); ++k) {
                TBaseLink* l = n->InLinks().Get(k);
                if (!linkSet.Contains(l) || l->Head() != n)
                    Fail(Name(n) + ": incoming entry that is not its link of the study");
            }
            if (n->NodeType() && !live_.count(n->NodeType()))
                Fail(Name(n) + ": node type not in the study");
        }
    }

    void CheckLinkRoutes() {
        TLinkRouteList& lrs = p_.LinkRoutes();
        TListMembers lrSet(lrs);
        for (std::size_t i = 0; i < lrs.Count(); ++i) {
            TLinkRoute* lr = lrs.Get(i);
            if (!lr->Link() || !IsLive(lr->Link()) || !lr->Route() || !IsLive(lr->Route())) {
                Fail(Name(lr) + ": link or route missing or not in the study");
                continue;
            }
            if (Occurrences(lr->Link()->LinkRoutes(), lr) != 1)
                Fail(Name(lr) + " on " + Name(lr->Link()) + ": not once in its link's list");
            if (Occurrences(lr->Route()->LinkRoutes(), lr) != 1)
                Fail(Name(lr) + " on " + Name(lr->Link()) + ": not once in its route's list");
        }
        TFirstTime routes;
        for (std::size_t i = 0; i < p_.Links().Count(); ++i) {
            TLink* l = p_.Links().Get(i);
            routes.Reset();
            for (std::size_t k = 0; k < l->LinkRoutes().Count(); ++k) {
                TLinkRoute* lr = l->LinkRoutes().Get(k);
                if (!lrSet.Contains(lr) || lr->Link() != l)
                    Fail(Name(l) + ": link-route entry that is not its own of the study");
                else if (!routes(lr->Route()))
                    Fail(Name(l) + ": two link-routes of " + Name(lr->Route()));
            }
        }
        for (std::size_t i = 0; i < p_.Routes().Count(); ++i) {
            TRoute* r = p_.Routes().Get(i);
            for (std::size_t k = 0; k < r->LinkRoutes().Count(); ++k) {
                TLinkRoute* lr = r->LinkRoutes().Get(k);
                if (!lrSet.Contains(lr) || lr->Route() != r)
                    Fail(Name(r) + ": link-route entry that is not its own of the study");
            }
        }
    }

    void CheckOperators() {
        TOperatorList& ops = p_.Operators();
        std::unordered_map<const TOperator*, int> internal;
        for (std::size_t i = 0; i < p_.Routes().Count(); ++i) {
            TRoute* r = p_.Routes().Get(i);
            if (!r->Operator() || !ops.Contains(r->Operator()))
                Fail(Name(r) + ": operator missing or not in the study");
            else if (r->Internal())
                ++internal[r->Operator()];
        }
        TTransferList& index = p_.Transfers();
        for (std::size_t i = 0; i < ops.Count(); ++i) {
            TOperator* op = ops.Get(i);
            // At most one: a route operator's internal route is obsolete (access maintenance
            // drops it), and an internal route may be removed like any other.
            if (internal[op] > 1)
                Fail(Name(op) + ": " + std::to_string(internal[op]) + " internal routes");
            if (!op->Mode() || !p_.Modes().Contains(op->Mode()))
                Fail(Name(op) + ": mode missing or not in the study");
            for (std::size_t k = 0; k < op->Transfers().Count(); ++k) {
                TTransfer* t = op->Transfers().Get(k);
                if (Occurrences(index, t) != 1)
                    Fail(Name(op) + ": transfer to " + Name(t->ToOperator()) +
                         " not once in the transfer index");
                if (t->FromOperator() != op) Fail(Name(op) + ": owns a transfer of another");
                if (!t->ToOperator() || !ops.Contains(t->ToOperator()))
                    Fail(Name(op) + ": transfer to an operator not in the study");
            }
            if (!op->TransferTo(op)) Fail(Name(op) + ": no transfer to itself");
        }
        for (std::size_t i = 0; i < index.Count(); ++i) {
            TTransfer* t = index.Get(i);
            TOperator* from = t->FromOperator();
            if (!from || !ops.Contains(from) || from->Transfers().IndexOf(t) < 0)
                Fail("transfer index: an entry not owned by an operator of the study");
        }
        for (std::size_t i = 0; i < p_.Categories().Count(); ++i) {
            TCategory* c = p_.Categories().Get(i);
            for (std::size_t k = 0; k < c->AvailableModes().Count(); ++k)
                if (!p_.Modes().Contains(c->AvailableModes().Get(k)))
                    Fail(Name(c) + ": available mode not in the study");
        }
        for (std::size_t i = 0; i < p_.LinkTypes().Count(); ++i) {
            TLinkType* t = p_.LinkTypes().Get(i);
            for (std::size_t k = 0; k < t->OperatorDataList().Count(); ++k) {
                TLinkTypeOper* d = t->OperatorDataList().Get(k);
                if (!d->Operator() || !ops.Contains(d->Operator()) || d->LinkType() != t)
                    Fail(Name(t) + ": operator data of an operator not in the study");
            }
        }
    }

    void CheckZones() {
        TTransportZoneList& zones = p_.TransportZones();
        const TObjectSet zoneSet(zones.Items().begin(), zones.Items().end());
        for (std::size_t i = 0; i < zones.Count(); ++i)
            if (p_.Nodes().IndexOf(zones.Get(i)) < 0)
                Fail(Name(zones.Get(i)) + ": transport zone not in the node list");
        for (std::size_t i = 0; i < p_.Nodes().Count(); ++i) {
            TNode* n = p_.Nodes().Get(i);
            if (dynamic_cast<TTransportZone*>(n) && !zoneSet.count(n))
                Fail(Name(n) + ": zone missing from the transport zones");
        }
        for (std::size_t i = 0; i < zones.Count(); ++i) {
            TTransportZone* z = zones.Get(i);
            for (std::size_t k = 0; k < z->ODPairs().Count(); ++k) {
                TODPair* od = z->ODPairs().Get(k);
                if (od->Origin() != z) Fail(Name(z) + ": OD pair of another origin");
                if (!zoneSet.count(od->Destination()))
                    Fail(Name(z) + ": OD pair towards a zone not in the study");
            }
        }
        for (std::size_t i = 0; i < p_.MacroZones().Count(); ++i) {
            TMacroZone* m = p_.MacroZones().Get(i);
            for (std::size_t k = 0; k < m->SubZones().Count(); ++k) {
                TMicroZone* z = m->SubZones().Get(k);
                if (!zoneSet.count(z) || z->MacroZone() != m)
                    Fail(Name(m) + ": sub-zone not in the study or of another macro zone");
            }
        }
    }

    // Whether the study holds the object: an entity at its own place in a list of the study is
    // held (a list of the study is collected with all its items); only others ask the table.
    bool IsLive(const TZEPPersistent* o) {
        if (const auto* e = KindCast<const TEntity>(o);
            e && e->OwnerList() && IsAtOwnPlace(*e->OwnerList(), e)) {
            const TEntityList* list = e->OwnerList();
            if (list == lastLiveList_) return true;
            if (live_.count(list)) {
                lastLiveList_ = list;
                return true;
            }
        }
        return live_.count(o) != 0;
    }

    void CheckValues(const TEntity* owner, const TPropertyList& values, const char* where) {
        for (const TProperty& p : values) {
            const TZEPPersistent* o = p.value.ToObject();
            if (o && !IsLive(o))
                Fail(Name(owner) + ": " + where + " value " + std::to_string(p.Id()) +
                     " refers to an object not in the study");
        }
    }

    void CheckReferences() {
        for (const TZEPPersistent* o : live_.InOrder())
            CheckReferencesOf(o);
        CheckReferencesOf(&p_); // the study's own values are versioned too
    }
    void CheckReferencesOf(const TZEPPersistent* o) {
        const auto* e = KindCast<const TEntity>(o);
        if (!e) return;
        CheckValues(e, e->Properties(), "entity-level");
        if (const auto* ve = KindCast<const TVersionedEntity>(e))
            for (const auto& v : ve->Versions()) {
                if (!IsLive(v->Scenario()))
                    Fail(Name(e) + ": version of a scenario not in the study");
                CheckValues(e, *v, "versioned");
            }
    }

    TProject& p_;
    TObjectSet live_;
    const TEntityList* lastLiveList_ = nullptr; // a list of the study IsLive met last
    std::unordered_map<const TEntityList*, TAddressIndex> counts_;
    std::vector<std::string> problems_;
};

} // namespace

std::vector<std::string> CheckConsistency(TProject& project,
                                          const std::function<void(double)>& progress) {
    return TChecker(project).Run(progress);
}

std::string ConsistencyReport(TProject& project) {
    std::string text;
    for (const std::string& line : CheckConsistency(project))
        text += line + "\n";
    return text;
}

} // namespace zep::model

namespace zep::model {

namespace {

// The dump appends every fact to one string (see CanonicalDump.cpp): `out << a << b` with
// entities written as their keys.
struct TDumpOut {
    std::string& s;
    TDumpOut& operator<<(std::string_view text) {
        s += text;
        return *this;
    }
    TDumpOut& operator<<(char c) {
        s += c;
        return *this;
    }
    TDumpOut& operator<<(std::size_t n) {
        s += std::to_string(n);
        return *this;
    }
    TDumpOut& operator<<(const TEntity* e) {
        if (e)
            s += e->KeyText();
        else
            s += "nil";
        return *this;
    }
    TDumpOut& Keys(const TEntityList& list) {
        s += '{';
        for (std::size_t i = 0; i < list.Count(); ++i) {
            if (i) s += ' ';
            *this << list.Get(i);
        }
        s += '}';
        return *this;
    }
    TDumpOut& LinkRouteKeys(const TEntityList& list) {
        s += '{';
        for (std::size_t i = 0; i < list.Count(); ++i) {
            auto* lr = static_cast<const TLinkRoute*>(list.Get(i));
            if (i) s += ' ';
            *this << lr->Route() << '@' << lr->Link();
        }
        s += '}';
        return *this;
    }
    TDumpOut& Entity(const TEntity& e) {
        AppendEntity(s, e);
        return *this;
    }
    TDumpOut& List(const TEntityList& list) {
        AppendList(s, list);
        return *this;
    }
};

} // namespace

std::string DumpProject(TProject& p) {
    p.AttractionFunctions(); // created on first request: the dump must not depend on that
    std::string text;
    text.reserve(1 << 14);
    TDumpOut out{text};
    out.Entity(p);
    const TEntityList* lists[] = {
        &p.Scenarios(),          &p.ServiceLevels(), &p.NodeTypes(),      &p.Categories(),
        &p.Administrators(),     &p.Modes(),         &p.Operators(),      &p.Routes(),
        &p.Transfers(),          &p.LinkTypes(),     &p.Nodes(),          &p.Links(),
        &p.LinkRoutes(),         &p.MacroZones(),    &p.TransportZones(), &p.Sectors(),
        &p.AttractionFunctions()};
    for (const TEntityList* l : lists)
        out.List(*l);
    out << "-- structure\n";
    for (std::size_t i = 0; i < p.Scenarios().Count(); ++i)
        out << "scenario " << p.Scenarios().Get(i)->GetName() << " parent "
            << p.Scenarios().Get(i)->Parent() << '\n';
    for (std::size_t i = 0; i < p.Nodes().Count(); ++i) {
        TNode* n = p.Nodes().Get(i);
        out << n << " type " << n->NodeType() << " out ";
        out.Keys(n->OutLinks()) << " in ";
        out.Keys(n->InLinks()) << '\n';
    }
    for (std::size_t i = 0; i < p.Links().Count(); ++i) {
        TLink* l = p.Links().Get(i);
        out << l << ' ' << l->Tail() << "->" << l->Head() << " lrs ";
        out.LinkRouteKeys(l->LinkRoutes()) << " poly " << l->Polyline().Text() << '\n';
        for (std::size_t k = 0; k < l->Turns().Count(); ++k) {
            out << "  turn to " << l->Turns().Get(k)->To() << '\n';
            out.Entity(*l->Turns().Get(k));
        }
    }
    for (std::size_t i = 0; i < p.Routes().Count(); ++i) {
        TRoute* r = p.Routes().Get(i);
        out << r << " operator " << r->Operator() << " lrs ";
        out.LinkRouteKeys(r->LinkRoutes()) << '\n';
    }
    for (std::size_t i = 0; i < p.Categories().Count(); ++i) {
        out << p.Categories().Get(i) << " modes ";
        out.Keys(p.Categories().Get(i)->AvailableModes()) << '\n';
    }
    for (std::size_t i = 0; i < p.Operators().Count(); ++i) {
        TOperator* op = p.Operators().Get(i);
        out << op << " mode " << op->Mode() << '\n';
        for (std::size_t k = 0; k < op->Transfers().Count(); ++k) {
            TTransfer* t = op->Transfers().Get(k);
            out << "  transfer " << t->FromOperator() << "->" << t->ToOperator() << '\n';
            out.Entity(*t);
        }
        for (std::size_t k = 0; k < op->OperatorCategories().Count(); ++k) {
            TOperatorCategory* oc = op->OperatorCategories().Get(k);
            out << "  category " << oc->Category() << '\n';
            out.Entity(*oc);
        }
    }
    for (std::size_t i = 0; i < p.LinkTypes().Count(); ++i) {
        TLinkType* t = p.LinkTypes().Get(i);
        out << t << " operator data\n";
        for (std::size_t k = 0; k < t->OperatorDataList().Count(); ++k) {
            out << "  of " << t->OperatorDataList().Get(k)->Operator() << '\n';
            out.Entity(*t->OperatorDataList().Get(k));
        }
    }
    for (std::size_t i = 0; i < p.TransportZones().Count(); ++i) {
        TTransportZone* z = p.TransportZones().Get(i);
        for (std::size_t k = 0; k < z->ODPairs().Count(); ++k) {
            TODPair* od = z->ODPairs().Get(k);
            out << z << " od to " << od->Destination() << '\n';
            out.Entity(*od);
            for (std::size_t m = 0; m < od->CategoryModes().Count(); ++m) {
                TCategoryMode* cm = od->CategoryModes().Get(m);
                out << "  trips " << cm->Category() << '/' << cm->Mode() << '\n';
                out.Entity(*cm);
            }
        }
    }
    for (std::size_t i = 0; i < p.MacroZones().Count(); ++i) {
        out << p.MacroZones().Get(i) << " sub-zones ";
        out.Keys(p.MacroZones().Get(i)->SubZones()) << '\n';
    }
    for (std::size_t i = 0; i < p.Sectors().Count(); ++i) {
        TSector* s = p.Sectors().Get(i);
        for (std::size_t k = 0; k < s->Interactions().Count(); ++k) {
            TSectorInteraction* x = s->Interactions().Get(k);
            out << s << " uses " << x->InputSector() << " substitutes ";
            out.Keys(x->Substitutes()) << '\n';
            out.Entity(*x);
        }
        out.List(s->SectorZones()).List(s->SectorCategories());
    }
    TAttractionFunctionList& fs = p.AttractionFunctions();
    for (std::size_t i = 0; i < fs.Count(); ++i) {
        out << "function " << i << '\n';
        out.List(fs.Get(i)->Attractors());
    }
    return text;
}

} // namespace zep::model
