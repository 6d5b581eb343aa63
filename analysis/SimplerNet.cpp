#include "analysis/SimplerNet.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "foundation/Format.h"
#include "foundation/OrvLogging.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "undo/CMDStk_.h"

namespace zep::analysis {

using namespace zep::model;

namespace {

TLogger& Log() {
    return GetLogger("SimplerNet");
}

TLink* AsLink(TBaseLink* l) {
    return dynamic_cast<TLink*>(l);
}

/// Every value `from` holds in any version, written into `to` in the same scenario (versions
/// come in scenario creation order, so a parent is written before its children).
void CopyVersions(const TVersionedEntity& from, TVersionedEntity& to) {
    std::vector<std::tuple<TScenario*, std::int32_t, TValue>> values;
    for (const auto& v : from.Versions())
        for (const TProperty& p : *v)
            values.emplace_back(v->Scenario(), p.Id(), p.value);
    for (auto& [s, id, value] : values)
        to.SetValueIn(s, id, value);
}

/// A link's values, link-routes and turns carried onto `to`.
void CopyLinkContents(TProject& p, const TLink& from, TLink& to) {
    CopyVersions(from, to);
    if (!from.GetValue(kPropDescription).IsEmpty())
        to.SetProperty(kPropDescription, from.GetValue(kPropDescription));
    const auto lrs = from.LinkRoutes().Items();
    for (TZEPPersistent* item : lrs) {
        auto* lr = static_cast<TLinkRoute*>(item);
        if (!lr->Route()) continue;
        CopyVersions(*lr, *p.NewLinkRoute(&to, lr->Route()));
    }
}

void IncludeLink(TWorldRect& r, const TLink* l) {
    for (const TFloatPoint& pt : l->GeometryPoints())
        r.Include(pt);
}

TPoint3 At(const TNode* n) {
    return {n->Position().x, n->Position().y, 0};
}

/// Runs `edit` as command `name`: pushed when it answers true, undone and dropped otherwise
/// (and when it throws).
bool Conditional(TProject& project, undo::TCommandStack& stack, const std::string& name,
                 const std::function<bool()>& edit) {
    auto command = std::make_unique<undo::TCommand>(&project.UndoSet(), name);
    bool keep = false;
    try {
        keep = edit();
    } catch (...) {
        command->Undo();
        undo::SetCurrentUndoSet(nullptr);
        throw;
    }
    if (keep) {
        stack.AddCommand(std::move(command));
    } else {
        command->Undo();
        undo::SetCurrentUndoSet(nullptr);
    }
    return keep;
}

} // namespace

// ---- bookkeeping ------------------------------------------------------------------------------

void TNetSimplifier::Report(const char* kind, const std::string& text, const std::string& key) {
    Log().Info("%s %s (%d changed)", {kind, text, changes_});
    if (onChange) onChange({kind, text, key, changes_});
    ++changes_;
}

bool TNetSimplifier::TByListIndex::operator()(const TEntity* a, const TEntity* b) const {
    return a->ListIndex() < b->ListIndex();
}

void TNetSimplifier::Touch(TNode* node) {
    if (!node) return;
    nodeQueue_.insert(node);
    for (TBaseLinkList* list : {&node->InLinks(), &node->OutLinks()})
        for (std::size_t i = 0; i < list->Count(); ++i)
            if (TLink* l = AsLink(list->Get(i))) linkQueue_.insert(l);
}

void TNetSimplifier::Forget(TNode* node) {
    nodeQueue_.erase(node);
    for (TBaseLinkList* list : {&node->InLinks(), &node->OutLinks()})
        for (std::size_t i = 0; i < list->Count(); ++i)
            if (TLink* l = AsLink(list->Get(i))) linkQueue_.erase(l);
}

std::vector<TNode*> TNetSimplifier::Neighbours(TNode* node) const {
    std::vector<TNode*> result;
    for (TBaseLinkList* list : {&node->InLinks(), &node->OutLinks()})
        for (std::size_t i = 0; i < list->Count(); ++i)
            for (TNode* n : {list->Get(i)->Tail(), list->Get(i)->Head()})
                if (n && n != node && std::find(result.begin(), result.end(), n) == result.end())
                    result.push_back(n);
    return result;
}

bool TNetSimplifier::Inside(const TNode* node, const TWorldRect& rect) const {
    return rect.Contains(node->Position());
}

// A link from A to B is a dead end when no path between zones can use it without turning back
// at once: A (not a zone) has no incoming link or only the one from B, or B (not a zone) has no
// outgoing link or only the one to A.
bool TNetSimplifier::IsDeadEnd(const TLink* link) const {
    const TNode* a = link->Tail();
    const TNode* b = link->Head();
    if (!a || !b) return false;
    if (!a->IsZone()) {
        const TBaseLinkList& in = a->InLinks();
        if (in.IsEmpty() || (in.Count() == 1 && in.Get(0)->Tail() == b)) return true;
    }
    if (!b->IsZone()) {
        const TBaseLinkList& out = b->OutLinks();
        if (out.IsEmpty() || (out.Count() == 1 && out.Get(0)->Head() == a)) return true;
    }
    return false;
}

void TNetSimplifier::DeleteDeadEnd(TLink* link, TWorldRect& repaint) {
    if (TLink* opposite = p_.ReverseLink(link))
        opposite->SetValueIn(p_.BaseScenario(), TLink::kTwoWay, TValue(false));
    Report("deleted link", link->KeyText(), link->KeyText());
    TNode* tail = link->Tail();
    TNode* head = link->Head();
    repaint.Include(tail->Position());
    repaint.Include(head->Position());
    linkQueue_.erase(link);
    p_.RemoveLink(link, false);
    Touch(tail);
    Touch(head);
}

void TNetSimplifier::DeleteNode(TNode* node, TWorldRect* repaint) {
    Report("deleted node", node->KeyText(), node->KeyText());
    if (repaint) repaint->Include(node->Position());
    const std::vector<TNode*> neighbours = Neighbours(node);
    Forget(node);
    p_.RemoveNodes({node});
    for (TNode* n : neighbours)
        Touch(n);
}

// ---- the pass
// ------------------------------------------------------------------------------------

bool TNetSimplifier::SimplifyPass(const TWorldRect& rect, TWorldRect& repaint, int limit) {
    if (!started_) {
        started_ = true;
        for (std::size_t i = 0; i < p_.Nodes().Count(); ++i)
            Touch(p_.Nodes().Get(i));
    }
    const std::int32_t start = changes_;
    const std::int32_t stop = start + std::max(1, limit);
    if (removeDeadEnds) {
        DeadEndStep(rect, repaint, stop);
        if (changes_ > start) return true;
    } else {
        linkQueue_.clear();
    }
    NodeStep(rect, repaint, stop);
    return changes_ > start;
}

bool TNetSimplifier::DeadEndStep(const TWorldRect& rect, TWorldRect& repaint, std::int32_t stop) {
    const std::int32_t start = changes_;
    while (!linkQueue_.empty() && changes_ < stop) {
        TLink* l = *linkQueue_.begin();
        linkQueue_.erase(linkQueue_.begin());
        if (Inside(l->Tail(), rect) && Inside(l->Head(), rect) && IsDeadEnd(l))
            DeleteDeadEnd(l, repaint);
    }
    return changes_ > start;
}

bool TNetSimplifier::NodeStep(const TWorldRect& rect, TWorldRect& repaint, std::int32_t stop) {
    const std::int32_t start = changes_;
    while (!nodeQueue_.empty() && changes_ < stop) {
        TNode* n = *nodeQueue_.begin();
        nodeQueue_.erase(nodeQueue_.begin());
        if (n->IsZone() || !Inside(n, rect)) continue;
        if (n->InLinks().IsEmpty() || n->OutLinks().IsEmpty())
            DeleteNode(n, &repaint);
        else
            MergeThroughNode(n, false, repaint);
    }
    return changes_ > start;
}

// ---- merging through a node
// ----------------------------------------------------------------------

bool TNetSimplifier::PairAt(TNode* node, std::size_t i, TPair& pair) const {
    const TBaseLinkList& in = node->InLinks();
    const TBaseLinkList& out = node->OutLinks();
    if (i >= in.Count() || out.IsEmpty()) return false;
    TLink* p = AsLink(in.Get(i));
    if (!p) return false;
    TNode* x = p->Tail();
    TLink* q = nullptr;
    for (std::size_t k = 0; k < out.Count() && !q; ++k)
        if (out.Get(k)->Head() != x) q = AsLink(out.Get(k));
    if (!q) q = AsLink(out.Get(out.Count() - 1));
    if (!q) return false;
    TNode* z = q->Head();
    // Merging a node's only neighbour onto itself would make a loop, not a link.
    if (!x || !z || x == z || x == node || z == node) return false;
    if (out.Count() == 2 && (out.Get(0) == q ? out.Get(1) : out.Get(0))->Head() != x) return false;
    if (in.Count() == 2 && in.Get(1 - i)->Tail() != z) return false;
    if (p_.FindLink(x, z)) return false;
    pair = {p, q};
    return true;
}

// Only merges that leave every path's cost and every route's course as they were: the same
// data in every scenario, the same routes on both links, no turn at the node that costs or
// forbids anything.
bool TNetSimplifier::Compatible(const TLink* p, const TLink* q) const {
    const TScenarioList& scenarios = p_.Scenarios();
    if (p->LinkRoutes().Count() != q->LinkRoutes().Count()) return false;
    const TTurnRestriction* turn = p->HasTurns() ? p->TurnTo(q->Head()) : nullptr;
    for (std::size_t si = 0; si < scenarios.Count(); ++si) {
        const TScenario* s = scenarios.Get(si);
        if (p->GetFloatIn(s, TLink::kLength) > lengthLimit ||
            q->GetFloatIn(s, TLink::kLength) > lengthLimit)
            return false;
        if (p->LinkTypeIn(s) != q->LinkTypeIn(s) || p->IsUsedIn(s) != q->IsUsedIn(s)) return false;
        for (std::int32_t id : {TLink::kCapacity, TLink::kSpeed})
            if (!ValuesEqual(p->GetValueIn(s, id), q->GetValueIn(s, id))) return false;
        if (turn && (turn->GetBooleanIn(s, TTurnRestriction::kRestriction) ||
                     turn->GetFloatIn(s, TTurnRestriction::kDelay) > 0))
            return false;
        for (TZEPPersistent* item : p->LinkRoutes().Items()) {
            auto* lr = static_cast<TLinkRoute*>(item);
            const TLinkRoute* other = q->LinkRouteOf(lr->Route());
            if (!other || lr->IsUsedIn(s) != other->IsUsedIn(s) ||
                lr->GetBooleanIn(s, TLinkRoute::kNoTransfers) !=
                    other->GetBooleanIn(s, TLinkRoute::kNoTransfers))
                return false;
        }
    }
    return true;
}

bool TNetSimplifier::MergeThroughNode(TNode* node, bool forced, TWorldRect& repaint) {
    if (!node || node->IsZone()) return false;
    const std::size_t in = node->InLinks().Count();
    if (in < 1 || in > 2 || in != node->OutLinks().Count()) return false;
    // Every pair is checked before any is merged: deleting the node after merging only one
    // direction would cut the other.
    std::vector<TPair> pairs;
    for (std::size_t i = 0; i < in; ++i) {
        TPair pair{};
        if (!PairAt(node, i, pair) || (!forced && !Compatible(pair.p, pair.q))) return false;
        pairs.push_back(pair);
    }
    for (const TPair& pair : pairs) {
        IncludeLink(repaint, pair.p);
        IncludeLink(repaint, pair.q);
        MergeLinks(pair.p, pair.q);
    }
    Report("merged node", "", node->KeyText());
    const std::vector<TNode*> neighbours = Neighbours(node);
    Forget(node);
    p_.RemoveNodes({node});
    for (TNode* n : neighbours)
        Touch(n);
    return true;
}

TLink* TNetSimplifier::MergeLinks(TLink* p, TLink* q) {
    TNode* x = p->Tail();
    TNode* n = p->Head();
    TNode* z = q->Head();
    TLink* r = p_.LinkBetween(x, z);
    CopyLinkContents(p_, *p, *r);
    const auto qRoutes = q->LinkRoutes().Items();
    for (TZEPPersistent* item : qRoutes) {
        auto* lr = static_cast<TLinkRoute*>(item);
        if (lr->Route()) CopyVersions(*lr, *p_.NewLinkRoute(r, lr->Route()));
    }
    // The merged link ends where q ends: q's turns are the ones at its head (p's are at the
    // node that goes away).
    if (q->HasTurns())
        for (TZEPPersistent* item : q->Turns().Items()) {
            auto* t = static_cast<TTurnRestriction*>(item);
            CopyVersions(*t, *r->GetOrCreateTurnTo(t->To()));
        }

    if (const TLink* opposite = p_.ReverseLink(r)) {
        TPoint3Vector points = opposite->Polyline().Points();
        std::reverse(points.begin(), points.end());
        r->Polyline().SetPoints(points);
    } else {
        TPoint3Vector points = p->Polyline().Points();
        points.push_back(At(n));
        const TPoint3Vector tail = q->Polyline().Points();
        points.insert(points.end(), tail.begin(), tail.end());
        r->Polyline().SetPoints(points);
    }

    const TScenarioList& scenarios = p_.Scenarios();
    for (std::size_t si = 0; si < scenarios.Count(); ++si) {
        TScenario* s = scenarios.Get(si);
        r->SetValueIn(
            s, TLink::kTwoWay,
            TValue(p->GetBooleanIn(s, TLink::kTwoWay) || q->GetBooleanIn(s, TLink::kTwoWay)));
        r->SetValueIn(s, TLink::kLength,
                      TValue(p->GetFloatIn(s, TLink::kLength) + q->GetFloatIn(s, TLink::kLength)));
        // Without a value on either side there is nothing to choose: 0 would be a new value.
        const TValue pc = p->GetValueIn(s, TLink::kCapacity),
                     qc = q->GetValueIn(s, TLink::kCapacity);
        if (!pc.IsEmpty() || !qc.IsEmpty())
            r->SetValueIn(s, TLink::kCapacity,
                          pc.IsEmpty()   ? qc
                          : qc.IsEmpty() ? pc
                                         : TValue(std::min(pc.ToDouble(), qc.ToDouble())));
        const TValue ps = p->GetValueIn(s, TLink::kSpeed), qs = q->GetValueIn(s, TLink::kSpeed);
        if (!ps.IsEmpty() || !qs.IsEmpty())
            r->SetValueIn(s, TLink::kSpeed,
                          ps.IsEmpty()   ? qs
                          : qs.IsEmpty() ? ps
                                         : TValue(std::max(ps.ToDouble(), qs.ToDouble())));
        r->SetUsedIn(s, p->IsUsedIn(s) || q->IsUsedIn(s));
        p_.UpdateLinkAccess(r, s);
        if (q->HasTurns())
            for (TZEPPersistent* item : q->Turns().Items()) {
                auto* t = static_cast<TTurnRestriction*>(item);
                const TValue delay = t->GetValueIn(s, TTurnRestriction::kDelay);
                if (!delay.IsEmpty())
                    r->GetOrCreateTurnTo(t->To())->SetValueIn(s, TTurnRestriction::kDelay, delay);
            }
    }
    return r;
}

// ---- merging a link into its end node
// ------------------------------------------------------------

bool TNetSimplifier::MergeLinkIntoEndNode(TLink* link, TWorldRect& repaint) {
    TNode* x = link->Tail();
    TNode* y = link->Head();
    // A zone carries demand and land use that no other node could take over.
    if (!x || !y || x == y || x->IsZone()) return false;
    IncludeLink(repaint, link);
    const TScenarioList& scenarios = p_.Scenarios();
    // One link per neighbour of x: (existing link, other end, whether it leads into x).
    std::vector<std::pair<TLink*, bool>> moves;
    for (std::size_t i = 0; i < x->InLinks().Count(); ++i)
        if (TLink* l = AsLink(x->InLinks().Get(i)); l && l->Tail() != y && l->Tail() != x)
            moves.emplace_back(l, true);
    for (std::size_t i = 0; i < x->OutLinks().Count(); ++i)
        if (TLink* l = AsLink(x->OutLinks().Get(i)); l && l->Head() != y && l->Head() != x)
            moves.emplace_back(l, false);
    for (auto [old, incoming] : moves) {
        TNode* from = incoming ? old->Tail() : y;
        TNode* to = incoming ? y : old->Head();
        IncludeLink(repaint, old);
        // A link that is already there keeps its own data.
        if (p_.FindLink(from, to)) continue;
        TLink* made = p_.LinkBetween(from, to);
        CopyLinkContents(p_, *old, *made);
        if (old->HasTurns())
            for (TZEPPersistent* item : old->Turns().Items()) {
                auto* t = static_cast<TTurnRestriction*>(item);
                if (incoming) continue; // turns at x lose their meaning with x
                CopyVersions(*t, *made->GetOrCreateTurnTo(t->To()));
            }
        TPoint3Vector points;
        if (incoming) {
            points = old->Polyline().Points();
            points.push_back(At(x));
            const TPoint3Vector rest = link->Polyline().Points();
            points.insert(points.end(), rest.begin(), rest.end());
        } else {
            points = link->Polyline().Points();
            std::reverse(points.begin(), points.end());
            points.push_back(At(x));
            const TPoint3Vector rest = old->Polyline().Points();
            points.insert(points.end(), rest.begin(), rest.end());
        }
        made->Polyline().SetPoints(points);
        for (std::size_t si = 0; si < scenarios.Count(); ++si) {
            TScenario* s = scenarios.Get(si);
            made->SetValueIn(s, TLink::kTwoWay,
                             TValue(old->GetBooleanIn(s, TLink::kTwoWay) &&
                                    link->GetBooleanIn(s, TLink::kTwoWay)));
            made->SetValueIn(
                s, TLink::kLength,
                TValue(old->GetFloatIn(s, TLink::kLength) + link->GetFloatIn(s, TLink::kLength)));
        }
        IncludeLink(repaint, made);
    }
    DeleteNode(x, &repaint);
    return true;
}

// ---- merging routes
// ------------------------------------------------------------------------------

bool TNetSimplifier::MergeRoutes(const std::vector<TRoute*>& routes) {
    if (routes.empty() || !routes[0]) return false;
    TRoute* r0 = routes[0];
    auto isRoute = [](const TRoute* r) {
        return r->Operator() && r->Operator()->Type() == otRoute;
    };
    if (!isRoute(r0)) {
        ShowErrorFmt("Merge Error: Operator %d is not a route", {r0->Id()});
        return false;
    }
    const TScenarioList& scenarios = p_.Scenarios();
    for (std::size_t k = 1; k < routes.size(); ++k) {
        TRoute* ri = routes[k];
        if (!ri || ri == r0) continue;
        if (!isRoute(ri)) {
            ShowErrorFmt("Merge Error: Operator %d is not a route", {ri->Id()});
            return false;
        }
        if (ri->Operator() != r0->Operator()) {
            ShowErrorFmt("Merge Error: Operator mistmatch betwenn routes %d and %d",
                         {ri->Id(), r0->Id()});
            continue;
        }
        const auto lrs = ri->LinkRoutes().Items();
        for (std::size_t i = 0; i < lrs.size(); ++i) {
            auto* lr = static_cast<TLinkRoute*>(lrs[i]);
            if (TLink* link = lr->Link()) {
                if (TLinkRoute* existing = link->LinkRouteOf(r0)) p_.RemoveEntity(existing);
                CopyVersions(*lr, *p_.NewLinkRoute(link, r0));
            }
            ShowProgress("Merging routes...", double(i + 1) / double(lrs.size()));
        }
        // From the last scenario to the first: each scenario reads values its parent has not
        // been given yet.
        for (std::size_t si = scenarios.Count(); si-- > 0;) {
            TScenario* s = scenarios.Get(si);
            for (std::int32_t id : {TRoute::kMinFreq, TRoute::kMaxFreq, TRoute::kMaxFleet})
                r0->SetValueIn(s, id, TValue(r0->GetFloatIn(s, id) + ri->GetFloatIn(s, id)));
            r0->SetValueIn(s, TRoute::kTargetOccupancy,
                           TValue((r0->GetFloatIn(s, TRoute::kTargetOccupancy) +
                                   ri->GetFloatIn(s, TRoute::kTargetOccupancy)) /
                                  2));
            r0->SetValueIn(s, TRoute::kScheduled,
                           TValue(r0->GetBooleanIn(s, TRoute::kScheduled) ||
                                  ri->GetBooleanIn(s, TRoute::kScheduled)));
        }
        p_.RemoveEntity(ri);
        ShowProgress("Merging routes...", 1);
    }
    EndProgress();
    return true;
}

// ---- splitting a link ------------------------------------------------------------------------

TNode* TNetSimplifier::SplitLink(TLink* link, TScenario* scenario, std::size_t index,
                                 TWorldRect& repaint) {
    if (!link || index >= link->Polyline().Count() || !link->Tail() || !link->Head())
        return nullptr;
    const TPoint3Vector points = link->Polyline().Points();
    TNode* m = p_.NewNode();
    m->SetPosition({points[index].x, points[index].y});
    TLink* opposite = p_.ReverseLink(link);
    const TScenarioList& scenarios = p_.Scenarios();
    auto split = [&](TLink* l, const TPoint3Vector& first, const TPoint3Vector& second) {
        IncludeLink(repaint, l);
        TLink* a = p_.LinkBetween(l->Tail(), m);
        TLink* b = p_.LinkBetween(m, l->Head());
        for (TLink* half : {a, b})
            CopyLinkContents(p_, *l, *half);
        if (l->HasTurns())
            for (TZEPPersistent* item : l->Turns().Items()) {
                auto* t = static_cast<TTurnRestriction*>(item);
                CopyVersions(*t, *b->GetOrCreateTurnTo(t->To()));
            }
        a->Polyline().SetPoints(first);
        b->Polyline().SetPoints(second);
        for (std::size_t si = 0; si < scenarios.Count(); ++si) {
            TScenario* s = scenarios.Get(si);
            const double half = l->GetFloatIn(s, TLink::kLength) / 2;
            a->SetValueIn(s, TLink::kLength, TValue(half));
            b->SetValueIn(s, TLink::kLength, TValue(half));
        }
        a->SetUsedIn(scenario, true);
        b->SetUsedIn(scenario, true);
        IncludeLink(repaint, a);
        IncludeLink(repaint, b);
    };
    const TPoint3Vector before(points.begin(), points.begin() + std::ptrdiff_t(index));
    const TPoint3Vector after(points.begin() + std::ptrdiff_t(index) + 1, points.end());
    split(link, before, after);
    if (opposite && opposite != link) {
        TPoint3Vector rb(after.rbegin(), after.rend()), ra(before.rbegin(), before.rend());
        split(opposite, rb, ra);
    }
    p_.RemoveLink(link, false);
    if (opposite && opposite != link) p_.RemoveLink(opposite, false);
    return m;
}

// ---- commands --------------------------------------------------------------------------------

std::int32_t SimplifyNetworkCommand(TProject& project, undo::TCommandStack& stack,
                                    const TWorldRect& rect, TWorldRect& repaint,
                                    const std::function<void(const TSimplifyChange&)>& onChange) {
    TWorldRect area = rect;
    if (area.empty)
        for (std::size_t i = 0; i < project.Nodes().Count(); ++i)
            area.Include(project.Nodes().Get(i)->Position());
    std::int32_t changes = 0;
    Conditional(project, stack, "Simplify Network", [&] {
        // Thousands of deletions from the middle of the study's long lists would each shift
        // and renumber the rest; collected, each list is swept once.
        TProject::TDeferredRemovals deferred(project);
        TNetSimplifier simplifier(project);
        simplifier.removeDeadEnds = true;
        simplifier.onChange = onChange;
        while (simplifier.SimplifyPass(area, repaint, TNetSimplifier::kPassLimit)) {
        }
        changes = simplifier.Changes();
        return changes > 0;
    });
    return changes;
}

bool MergeNodeCommand(TProject& project, undo::TCommandStack& stack, TNode* node,
                      TWorldRect& repaint) {
    if (!node || node->IsZone()) return false;
    return Conditional(project, stack, "Merge Node", [&] {
        TNetSimplifier simplifier(project);
        TWorldRect touched;
        const bool merged = simplifier.MergeThroughNode(node, true, touched);
        repaint.Include(touched);
        return merged && !touched.empty;
    });
}

bool MergeLinkCommand(TProject& project, undo::TCommandStack& stack, TLink* link,
                      TWorldRect& repaint) {
    if (!link) return false;
    return Conditional(project, stack, "Merge Link", [&] {
        TNetSimplifier simplifier(project);
        TWorldRect touched;
        const bool merged = simplifier.MergeLinkIntoEndNode(link, touched);
        repaint.Include(touched);
        return merged && !touched.empty;
    });
}

bool MergeRoutesCommand(TProject& project, undo::TCommandStack& stack,
                        const std::vector<TRoute*>& routes) {
    return Conditional(project, stack, "Merge Routes",
                       [&] { return TNetSimplifier(project).MergeRoutes(routes); });
}

TNode* SplitLinkCommand(TProject& project, undo::TCommandStack& stack, TLink* link,
                        TScenario* scenario, std::size_t index, TWorldRect& repaint) {
    TNode* made = nullptr;
    Conditional(project, stack, "Split Link", [&] {
        made = TNetSimplifier(project).SplitLink(link, scenario, index, repaint);
        return made != nullptr;
    });
    return made;
}

} // namespace zep::analysis
