#include "modelio/P1E_File.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"

namespace zep::modelio {

using namespace model;

namespace {

// Src, Dest, GISId, Type, three reals, then the two variable lists the model reads in turn.
std::string LinkHeading() {
    return TLine()
        .Ind()
        .T(8, "Src")
        .T(8, "Dest")
        .T(8, "GISId")
        .T(8, "Type")
        .T(10, "Dist.")
        .T(10, "Capac.")
        .T(10, "Delay")
        .T(8, "Routes...")
        .Text(" 0 Restricted Turns.... /")
        .Str();
}

std::int32_t NodeId(const TNode* node) {
    return node ? node->Id() : 0;
}

// The link order of the file (origin id, then destination id; CompareLinks), on a copy: the
// writers leave the project's lists as they are. The keys are read once, not per comparison.
std::vector<const TLink*> SortedLinks(const TLinkList& links) {
    struct TKey {
        std::int64_t tail, head;
        const TLink* link;
    };
    std::vector<TKey> keys;
    keys.reserve(links.Count());
    for (std::size_t i = 0; i < links.Count(); ++i) {
        const TLink* l = links.Get(i);
        keys.push_back({NodeId(l->Tail()), NodeId(l->Head()), l});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const TKey& a, const TKey& b) {
        return a.tail != b.tail ? a.tail < b.tail : a.head < b.head;
    });
    std::vector<const TLink*> sorted;
    sorted.reserve(keys.size());
    for (const TKey& k : keys)
        sorted.push_back(k.link);
    return sorted;
}

double TurnDelay(const TTurnRestriction& turn, const TScenario* s) {
    return turn.GetFloatIn(s, TTurnRestriction::kDelay);
}

void AddRouteColumns(TLine& line, const TLink& link, const TScenario* s,
                     std::vector<const TLinkRoute*>& scratch) {
    const TLinkRouteList& list = link.LinkRoutes();
    scratch.clear();
    for (std::size_t i = 0; i < list.Count(); ++i)
        scratch.push_back(list.Get(i));
    // The link-route order: all are on this link, so by the absolute route identifier.
    if (scratch.size() > 1)
        std::stable_sort(scratch.begin(), scratch.end(), [](const auto* a, const auto* b) {
            return std::llabs(std::int64_t{a->Id()}) < std::llabs(std::int64_t{b->Id()});
        });
    for (const TLinkRoute* lr : scratch) {
        const TRoute* route = lr->Route();
        // A link-route's identifier is its route's: the operators' internal routes (negative)
        // stay out, as do routes of operators that do not run routes.
        if (!route || lr->Id() < 0 || !lr->IsUsedIn(s) || !route->IsUsedIn(s)) continue;
        if (!route->Operator() || route->Operator()->Type() != otRoute) continue;
        bool noTransfers = lr->GetBooleanIn(s, TLinkRoute::kNoTransfers);
        line.I(noTransfers ? -static_cast<std::int64_t>(route->Id()) : route->Id());
    }
}

} // namespace

TLines BuildP1E(const TProject& project, const TScenario& scenario) {
    const TScenario* s = &scenario;
    const std::vector<const TLink*> links = SortedLinks(project.Links());
    const std::string progress = SectionProgressText("P1E", scenario.GetName(), "");
    TLines lines = TitleBlock("TRANSPORT NETWORK DEFINITION - Archivo P1E", project, s);
    lines.reserve(links.size() + 40);

    // The model gets the scenario's whole network as new links; these two sections stay empty.
    lines.push_back("2.0 DELETED LINKS");
    lines.push_back(TLine().Ind().T(8, "Src").T(8, "Dst").T(8, "GISId").T(8, "Type").Str());
    lines.push_back(SectionEndLine());
    lines.push_back("2.0 MODIFIED LINKS");
    lines.push_back(LinkHeading());
    lines.push_back(SectionEndLine());

    lines.push_back("3.0 NEW LINKS");
    lines.push_back(LinkHeading());
    std::vector<const TLinkRoute*> scratch;
    const std::string newLinks = progress + "3.0 ";
    for (std::size_t i = 0; i < links.size(); ++i) {
        const TLink& link = *links[i];
        if (link.IsUsedIn(s)) {
            const TLinkType* type = link.LinkTypeIn(s);
            TLine line;
            line.Ind()
                .I(NodeId(link.Tail()))
                .I(NodeId(link.Head()))
                .I(link.Id())
                .I(type ? type->Id() : 0)
                .R(ValueIn(link, s, TLink::kLength))
                .R(ValueIn(link, s, TLink::kCapacity))
                .R(ValueIn(link, s, TLink::kDelay));
            AddRouteColumns(line, link, s, scratch);
            line.I(0);
            const TTurnRestrictionList& turns = link.Turns();
            for (std::size_t k = 0; k < turns.Count(); ++k) {
                const TTurnRestriction& turn = *turns.Get(k);
                if (turn.GetBooleanIn(s, TTurnRestriction::kRestriction) || TurnDelay(turn, s) > 0)
                    line.I(NodeId(turn.To()));
            }
            lines.push_back(line.Text(" /").Str());
        }
        ReportProgress(newLinks, i + 1, links.size());
    }
    lines.push_back(SectionEndLine());

    lines.push_back("4.0 INTERSECTION DELAYS");
    lines.push_back(TLine().Ind().T(8, "Src").T(8, "Dst").T(8, "Node").T(10, "Delay").Str());
    const std::string delays = progress + "4.0 ";
    for (std::size_t i = 0; i < links.size(); ++i) {
        const TLink& link = *links[i];
        if (link.IsUsedIn(s)) {
            const TTurnRestrictionList& turns = link.Turns();
            for (std::size_t k = 0; k < turns.Count(); ++k) {
                const TTurnRestriction& turn = *turns.Get(k);
                double delay = TurnDelay(turn, s);
                if (!(delay > 0)) continue;
                lines.push_back(TLine()
                                    .Ind()
                                    .I(NodeId(link.Tail()))
                                    .I(NodeId(link.Head()))
                                    .I(NodeId(turn.To()))
                                    .R(delay)
                                    .Text(" /")
                                    .Str());
            }
        }
        ReportProgress(delays, i + 1, links.size());
    }
    lines.push_back(SectionEndLine());
    return lines;
}

bool WriteP1E(const TProject& project, const TScenario& scenario) {
    TLines lines = BuildP1E(project, scenario);
    return SaveIfChanged(InputFileName(project, &scenario, "W_", true, "P1E"), lines);
}

} // namespace zep::modelio
