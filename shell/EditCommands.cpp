#include "shell/EditCommands.h"

#include <algorithm>
#include <charconv>
#include <unordered_set>

#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "undo/CMDStk_.h"

namespace zep::shell {

bool RemoveNetworkCommand(model::TProject& project, undo::TCommandStack& stack,
                          model::TScenario* scenario) {
    if (!scenario) scenario = project.BaseScenario();
    model::TNodeList& nodes = project.Nodes();
    model::TLinkList& links = project.Links();
    if (scenario->IsBase()) {
        if (nodes.Count() == 0 && links.Count() == 0) return false;
        // RemoveAll records nothing (it is the study's teardown); the node cascade removes the
        // same links and link-routes and can be undone.
        std::vector<model::TNode*> all;
        all.reserve(nodes.Count());
        for (std::size_t i = 0; i < nodes.Count(); ++i)
            all.push_back(nodes.Get(i));
        undo::RunCommand(&project.UndoSet(), stack, "Remove Network",
                         [&] { project.RemoveNodes(all); });
        return true;
    }
    std::vector<model::TVersionedEntity*> used;
    for (std::size_t i = 0; i < links.Count(); ++i)
        if (links.Get(i)->IsUsedIn(scenario)) used.push_back(links.Get(i));
    for (std::size_t i = 0; i < nodes.Count(); ++i) {
        model::TNode* n = nodes.Get(i);
        if (!n->IsZone() && n->IsUsedIn(scenario)) used.push_back(n);
    }
    if (used.empty()) return false;
    undo::RunCommand(&project.UndoSet(), stack, "Remove Network", [&] {
        for (model::TVersionedEntity* e : used)
            e->SetUsedIn(scenario, false);
    });
    return true;
}

void DeleteNodeCommand(model::TProject& project, undo::TCommandStack& stack, model::TNode* node) {
    undo::RunCommand(&project.UndoSet(), stack, "Delete Node",
                     [&] { project.RemoveNodes({node}); });
}

void DeleteLinkCommand(model::TProject& project, undo::TCommandStack& stack, model::TLink* link) {
    undo::RunCommand(&project.UndoSet(), stack, "Delete Link",
                     [&] { project.RemoveLink(link, false); });
}

std::string UndoCaption(const undo::TCommandStack& stack) {
    if (const undo::TCommand* top = stack.TopCommand()) return "Undo " + top->Name();
    return "&Undo";
}

namespace {

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool ParseInt(std::string_view s, std::int32_t& v) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

} // namespace

model::TNode* FindNodeByText(const model::TProject& project, const std::string& text) {
    std::string t = Trim(text);
    if (t.rfind("n_", 0) == 0 || t.rfind("z_", 0) == 0) t = t.substr(2);
    std::int32_t id = 0;
    if (ParseInt(t, id))
        if (model::TNode* n = project.FindNode(id)) return n;
    const model::TNodeList& nodes = project.Nodes();
    for (std::size_t i = 0; i < nodes.Count(); ++i)
        if (!t.empty() && nodes.Get(i)->GetName() == t) return nodes.Get(i);
    return nullptr;
}

model::TLink* FindLinkByText(const model::TProject& project, const std::string& text) {
    std::string t = Trim(text);
    if (t.rfind("l_", 0) == 0) t = t.substr(2);
    if (const auto dash = t.find('-', 1); dash != std::string::npos) {
        std::int32_t from = 0, to = 0;
        if (ParseInt(std::string_view(t).substr(0, dash), from) &&
            ParseInt(std::string_view(t).substr(dash + 1), to)) {
            const model::TNode* a = project.FindNode(from);
            const model::TNode* b = project.FindNode(to);
            if (a && b)
                if (model::TLink* l = project.FindLink(a, b)) return l;
        }
    }
    const model::TLinkList& links = project.Links();
    std::int32_t id = 0;
    const bool numeric = ParseInt(t, id);
    for (std::size_t i = 0; i < links.Count(); ++i) {
        model::TLink* l = links.Get(i);
        if ((numeric && l->Id() == id) || (!t.empty() && l->GetName() == t)) return l;
    }
    return nullptr;
}

analysis::TWorldRect ExtentOf(const model::TNode& node) {
    analysis::TWorldRect r;
    r.Include(node.Position());
    return r;
}

analysis::TWorldRect ExtentOf(const model::TLink& link) {
    analysis::TWorldRect r;
    for (const model::TFloatPoint& p : link.GeometryPoints())
        r.Include(p);
    return r;
}

std::vector<model::TRoute*> SimilarRoutes(const model::TProject& project,
                                          const model::TRoute& route,
                                          const model::TScenario* scenario) {
    auto linksOf = [scenario](const model::TRoute& r) {
        std::unordered_set<const model::TLink*> set;
        const auto& lrs = r.LinkRoutes();
        for (std::size_t i = 0; i < lrs.Count(); ++i) {
            auto* lr = static_cast<model::TLinkRoute*>(lrs.Item(i));
            if (lr->Link() && lr->IsUsedIn(scenario)) set.insert(lr->Link());
        }
        return set;
    };
    const auto mine = linksOf(route);
    const double factor = project.GetFloat(model::TProjectI::kRouteSimilarityFactor);
    std::vector<model::TRoute*> out;
    const model::TRouteList& routes = project.Routes();
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        model::TRoute* other = routes.Get(i);
        if (other == &route || other->Internal()) continue;
        const auto theirs = linksOf(*other);
        const std::size_t shorter = std::min(mine.size(), theirs.size());
        if (shorter == 0) continue;
        std::size_t common = 0;
        for (const model::TLink* l : theirs)
            common += mine.count(l);
        if (double(common) >= factor * double(shorter)) out.push_back(other);
    }
    return out;
}

} // namespace zep::shell
