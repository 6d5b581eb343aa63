// The network simplifier: removal of dead-end links and orphan nodes, merging of link chains
// through pass-through nodes, and the interactive merges and the split that share its
// operations. Every change goes through the project, so it lands in the open undo transaction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "analysis/Selections.h"

namespace zep::model {
class TEntity;
class TLink;
class TNode;
class TProject;
class TRoute;
class TScenario;
} // namespace zep::model

namespace zep::undo {
class TCommandStack;
}

namespace zep::analysis {

/// One change the simplifier made, as its log line names it.
struct TSimplifyChange {
    std::string kind;    ///< "deleted link", "deleted node" or "merged node"
    std::string text;    ///< the entity's display text (empty for merged nodes)
    std::string key;     ///< the entity's key text (l_1-2, n_7), also for merged nodes
    std::int32_t before; ///< the change counter before the change
};

/// Simplifies one project. Lives for one command; its change counter only grows.
class TNetSimplifier {
public:
    static constexpr int kPassLimit = 256;

    explicit TNetSimplifier(model::TProject& project) : p_(project) {}

    bool removeDeadEnds = false;
    double lengthLimit = 1e100;
    /// Held for the user's settings; merging does not consult it.
    double angleLimit = 0.05235987755982989;
    /// Called after each change (besides the log line); may be empty.
    std::function<void(const TSimplifyChange&)> onChange;

    std::int32_t Changes() const { return changes_; }

    /// One pass over the part of the network inside `rect`: dead-end links first; only when
    /// there were none, orphan nodes and merges through pass-through nodes. Stops after
    /// `limit` changes. Later passes of the same simplifier look again only where earlier
    /// changes touched the network. Answers whether anything changed.
    bool SimplifyPass(const TWorldRect& rect, TWorldRect& repaint, int limit = kPassLimit);
    /// Whether the link is a dead end (see the dead-end rules in the source).
    bool IsDeadEnd(const model::TLink* link) const;
    /// Merges the pairs of links through `node` into single links and deletes the node.
    /// Without `forced`, only pairs whose data agree in every scenario qualify. Every pair of
    /// the node must qualify, or nothing is merged. Answers whether anything merged.
    bool MergeThroughNode(model::TNode* node, bool forced, TWorldRect& repaint);
    /// The link X -> Z that carries p (X -> N) and q (N -> Z): properties, link-routes, turns,
    /// polyline and the per-scenario rules. p and q stay.
    model::TLink* MergeLinks(model::TLink* p, model::TLink* q);
    /// Moves every other link of the link's tail onto its head, then deletes the tail. A tail
    /// that is a zone is left alone (false).
    bool MergeLinkIntoEndNode(model::TLink* link, TWorldRect& repaint);
    /// Merges routes[1..] into routes[0]; errors go to the message handler. Answers success.
    bool MergeRoutes(const std::vector<model::TRoute*>& routes);
    /// Splits the link (and its opposite) at polyline point `index` through a new node there.
    model::TNode* SplitLink(model::TLink* link, model::TScenario* scenario, std::size_t index,
                            TWorldRect& repaint);

private:
    void Report(const char* kind, const std::string& text, const std::string& key);
    /// Queues the node and its links for another look.
    void Touch(model::TNode* node);
    /// Takes the node and its links out of the queues (before they leave the study).
    void Forget(model::TNode* node);
    /// The node's neighbours (without itself).
    std::vector<model::TNode*> Neighbours(model::TNode* node) const;
    bool Inside(const model::TNode* node, const TWorldRect& rect) const;
    bool DeadEndStep(const TWorldRect& rect, TWorldRect& repaint, std::int32_t stop);
    bool NodeStep(const TWorldRect& rect, TWorldRect& repaint, std::int32_t stop);
    void DeleteNode(model::TNode* node, TWorldRect* repaint);
    void DeleteDeadEnd(model::TLink* link, TWorldRect& repaint);
    struct TPair {
        model::TLink* p;
        model::TLink* q;
    };
    /// The pair of try `i` at `node`, or false when the try finds nothing.
    bool PairAt(model::TNode* node, std::size_t i, TPair& pair) const;
    bool Compatible(const model::TLink* p, const model::TLink* q) const;

    model::TProject& p_;
    std::int32_t changes_ = 0;
    bool started_ = false;
    // What is still to be looked at, in the lists' order; a list's order of its remaining
    // entities never changes while the simplifier works, so the queues stay sorted. Kept from
    // pass to pass: a pass that stops at its limit goes on where it stopped, and later passes
    // look only where changes happened.
    struct TByListIndex {
        bool operator()(const model::TEntity* a, const model::TEntity* b) const;
    };
    std::set<model::TNode*, TByListIndex> nodeQueue_;
    std::set<model::TLink*, TByListIndex> linkQueue_;
};

// ---- the commands, shared by the desktop application and zep-cli ------------------------------

/// "Simplify Network": passes of a simplifier that removes dead ends over `rect` (the whole
/// network when empty) until a pass changes nothing. The command is pushed when something
/// changed and dropped otherwise. Answers the simplifier's change count.
std::int32_t SimplifyNetworkCommand(model::TProject& project, undo::TCommandStack& stack,
                                    const TWorldRect& rect, TWorldRect& repaint,
                                    const std::function<void(const TSimplifyChange&)>& onChange);
/// "Merge Node": a forced merge through the node; a zone does nothing. Pushed when it merged.
bool MergeNodeCommand(model::TProject& project, undo::TCommandStack& stack, model::TNode* node,
                      TWorldRect& repaint);
/// "Merge Link": the link's tail merged into its head. Pushed when something changed.
bool MergeLinkCommand(model::TProject& project, undo::TCommandStack& stack, model::TLink* link,
                      TWorldRect& repaint);
/// "Merge Routes": routes[1..] merged into routes[0]. Pushed on success.
bool MergeRoutesCommand(model::TProject& project, undo::TCommandStack& stack,
                        const std::vector<model::TRoute*>& routes);
/// "Split Link" (without the node dialog): the new node, or nullptr when the index is not a
/// polyline point of the link.
model::TNode* SplitLinkCommand(model::TProject& project, undo::TCommandStack& stack,
                               model::TLink* link, model::TScenario* scenario, std::size_t index,
                               TWorldRect& repaint);

} // namespace zep::analysis
