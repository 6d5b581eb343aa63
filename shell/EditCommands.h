// The network window's edits that are whole commands on the document's stack, free of widgets
// so that tests and batch work can run them.
#pragma once

#include <string>
#include <vector>

#include "analysis/Selections.h"

namespace zep::undo {
class TCommandStack;
}
namespace zep::model {
class TLink;
class TNode;
class TProject;
class TRoute;
class TScenario;
} // namespace zep::model

namespace zep::shell {

/// "Remove Network": in the base scenario every node, link and link-route goes; in another
/// scenario the links and plain nodes are no longer used there. One command, pushed only when
/// something changed. True when it changed something.
bool RemoveNetworkCommand(model::TProject& project, undo::TCommandStack& stack,
                          model::TScenario* scenario);

/// "Delete Node": the node with its links (a cascade of the project). Pushed as one command.
void DeleteNodeCommand(model::TProject& project, undo::TCommandStack& stack, model::TNode* node);
/// "Delete Link": the link alone; its reverse stays and is no longer two-way.
void DeleteLinkCommand(model::TProject& project, undo::TCommandStack& stack, model::TLink* link);

/// The name the Undo entry shows: "Undo " + the top command's name, or "&Undo" when the stack
/// is empty.
std::string UndoCaption(const undo::TCommandStack& stack);

/// The node whose identifier, key ("n_12") or name is `text`; nullptr when none.
model::TNode* FindNodeByText(const model::TProject& project, const std::string& text);
/// The link named by "FROM-TO" node identifiers, its key ("l_1-2"), its identifier or name.
model::TLink* FindLinkByText(const model::TProject& project, const std::string& text);

/// The world rectangle around a node or a link, for centring the map on it.
analysis::TWorldRect ExtentOf(const model::TNode& node);
analysis::TWorldRect ExtentOf(const model::TLink& link);

/// Routes that share at least the project's "route_similarity_factor" of the shorter route's
/// links with `route` (the route itself excluded), in route list order.
std::vector<model::TRoute*> SimilarRoutes(const model::TProject& project,
                                          const model::TRoute& route,
                                          const model::TScenario* scenario);

} // namespace zep::shell
