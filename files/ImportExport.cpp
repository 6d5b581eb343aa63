#include "files/ImportExport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>

#include "foundation/Format.h"
#include "foundation/ORVFiles.h"
#include "foundation/OrvMessages.h"
#include "foundation/Stream.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/Zone.h"
#include "undo/CMDStk_.h"

namespace zep::files {

using namespace zep::model;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

/// A version of the entity's own in the scenario: it was added, removed or changed there.
bool ChangedIn(const TVersionedEntity* e, const TScenario* s) {
    const TVersion* v = e->VersionOf(s);
    return v && v->Count() > 0;
}

std::int32_t NodeKind(const TNode* node) {
    const auto* zone = dynamic_cast<const TZone*>(node);
    if (!zone) return 0;
    return zone->IsExternal() ? 2 : 1;
}

std::int32_t LinkTypeIdIn(const TLink* link, const TScenario* s) {
    if (!link->IsUsedIn(s)) return 0;
    const TLinkType* type = link->LinkTypeIn(s);
    return type ? type->Id() : 0;
}

std::string LinkLine(const TLink* link, const TScenario* s, int direction) {
    double capacity = link->GetFloatIn(s, TLink::kCapacity);
    if (std::isinf(capacity) && capacity > 0) capacity = -1;
    return Format("%6d,%6d,%6d, %3d, %6d,   %8g, %8g,%-12s,%-20s",
                  {link->Id(), link->Tail()->Id(), link->Head()->Id(), direction,
                   LinkTypeIdIn(link, s), link->GetFloatIn(s, TLink::kLength), capacity,
                   Quoted(link->GetStringIn(s, TLink::kLinkName)),
                   Quoted(link->GetStringIn(s, TLink::kLinkDesc))});
}

void Progress(const char* text, std::size_t done, std::size_t count) {
    ShowProgress(text, count == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(count));
}

std::string SafeNamePart(std::string text) {
    for (char& c : text)
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    return text;
}

} // namespace

// ---- names ------------------------------------------------------------------------------------

const char* NetworkFileExtension(TNetworkFileKind kind) {
    switch (kind) {
    case TNetworkFileKind::Nodes:
        return "nodes";
    case TNetworkFileKind::Links:
        return "links";
    case TNetworkFileKind::Opers:
        return "opers";
    case TNetworkFileKind::Routes:
        return "routes";
    case TNetworkFileKind::Turns:
        return "turns";
    case TNetworkFileKind::Speeds:
        return "speeds";
    }
    return "";
}

TNetworkFileKind NetworkFileKindOf(const std::string& fileName) {
    const std::string ext = LowerCase(std::filesystem::path(fileName).extension().string());
    for (TNetworkFileKind k :
         {TNetworkFileKind::Nodes, TNetworkFileKind::Links, TNetworkFileKind::Opers,
          TNetworkFileKind::Routes, TNetworkFileKind::Turns})
        if (ext == std::string(".") + NetworkFileExtension(k)) return k;
    throw EInvalidFormat("Not a network file (.nodes, .links, .opers, .routes or .turns): " +
                         fileName);
}

std::string NetworkFileName(const TProject& project, const TScenario* scenario,
                            TNetworkFileKind kind, const std::string& directory) {
    namespace fs = std::filesystem;
    fs::path dir =
        directory.empty() ? fs::path(project.FileName()).parent_path() : fs::path(directory);
    std::string base = SafeNamePart(project.GetName()) + "-" + SafeNamePart(scenario->GetName()) +
                       "." + NetworkFileExtension(kind);
    return (dir / base).string();
}

// ---- writing ----------------------------------------------------------------------------------

std::string TransitRouteLine(const TRoute* route, const TScenario* s) {
    const TOperator* op = route->Operator();
    return Format("%6d, %-16s, %-40s, %6d, %8g, %8g, %8g, %8g, %2d",
                  {route->Id(), Quoted(route->GetName()),
                   Quoted(route->GetString(kPropDescription)), op ? op->Id() : 0,
                   route->GetFloatIn(s, TRoute::kMinFreq), route->GetFloatIn(s, TRoute::kMaxFreq),
                   route->GetFloatIn(s, TRoute::kTargetOccupancy),
                   route->GetFloatIn(s, TRoute::kMaxFleet),
                   route->GetBooleanIn(s, TRoute::kScheduled) ? 1 : 0});
}

bool IsExportedAsPair(const TProject& project, const TLink* link, const TScenario* s) {
    const TLink* rev = project.ReverseLink(link);
    if (!rev || rev == link || link->Id() != rev->Id()) return false;
    if (!link->GetBooleanIn(s, TLink::kTwoWay) || !rev->GetBooleanIn(s, TLink::kTwoWay))
        return false;
    // Operators' internal routes run on every link they may use, both members alike; only
    // transit routes and turns tie a line to one direction.
    for (const TLink* l : {link, rev}) {
        if (!l->Turns().IsEmpty()) return false;
        for (TZEPPersistent* item : l->LinkRoutes().Items()) {
            const TRoute* route = static_cast<const TLinkRoute*>(item)->Route();
            if (route && !route->Internal()) return false;
        }
    }
    if (link->IsUsedIn(s) != rev->IsUsedIn(s)) return false;
    for (std::int32_t id :
         {TLink::kType, TLink::kLength, TLink::kCapacity, TLink::kLinkName, TLink::kLinkDesc})
        if (!ValuesEqual(link->GetValueIn(s, id), rev->GetValueIn(s, id))) return false;
    return true;
}

void NodeLines(const TProject& project, const TScenario* /*scenario*/, const TLineSink& out) {
    out(Format("%6s,%12s,%12s,%2s,%-12s,%-20s", {"Id", "X", "Y", "Zone", "name", "description"}));
    const TNodeList& nodes = project.Nodes();
    for (std::size_t i = 0; i < nodes.Count(); ++i) {
        const TNode* n = nodes.Get(i);
        // Node positions and names are the same in every scenario.
        out(Format("%6d,%12g,%12g,%2d,%-12s,%-20s",
                   {n->Id(), n->GetFloat(TNode::kX), n->GetFloat(TNode::kY), NodeKind(n),
                    Quoted(n->GetName()), Quoted(n->GetString(kPropDescription))}));
        if (i % 256 == 0) Progress("Exporting Nodes", i, nodes.Count());
    }
}

void LinkLines(const TProject& project, const TScenario* s, const TLineSink& out) {
    out(Format("%6s,%6s,%6s, %3s, %6s,   %8s, %8s,%-12s,%-20s",
               {"Link Id", "Origin Id", "Destination Id", "Dir", "Link-Type Id", "Distance",
                "Capacity", "\"name\"", "\"description\""}));
    const TLinkList& links = project.Links();
    for (std::size_t i = 0; i < links.Count(); ++i) {
        const TLink* link = links.Get(i);
        if (i % 256 == 0) Progress("Exporting Links", i, links.Count());
        if (IsExportedAsPair(project, link, s)) {
            if (link->Head()->Id() < link->Tail()->Id()) continue;
            // A change to either member is a change to the one line that carries both.
            if (!ChangedIn(link, s) && !ChangedIn(project.ReverseLink(link), s)) continue;
            out(LinkLine(link, s, 2));
        } else if (ChangedIn(link, s)) {
            out(LinkLine(link, s, 1));
        }
    }
}

void OperLines(const TProject& project, const TScenario* s, const TLineSink& out) {
    out(Format(
        "%6s, %-16s, %-40s, %6s, %8s, %8s, %8s, %8s, %2s",
        {"Id", "Name", "Desc", "Oper", "MinFreq", "MaxFreq", "TargOcc", "MaxFleet", "Sched"}));
    const TRouteList& routes = project.Routes();
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        const TRoute* route = routes.Get(i);
        Progress("Exporting Routes", i, routes.Count());
        if (route->Id() >= 0) out(TransitRouteLine(route, s));
    }
}

void RouteLinkLines(const TProject& project, const TScenario* s, const TLineSink& out) {
    out(Format("%6s,%6s, %6s, %4s",
               {"From", "To", "Route", "Code (0=not Used,1=Passes,2= Stops)"}));
    const TRouteList& routes = project.Routes();
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        const TRoute* route = routes.Get(i);
        Progress("Exporting Link-Routes", i, routes.Count());
        if (route->Id() < 0) continue;
        for (const TLinkRoute* lr : route->LinkRoutes().Ordered(s)) {
            // A route switched off or on in the scenario changes each of its route-links
            // there (the link-route's own notion of a version), so they are written with it.
            if (!lr->HasVersion(s) || !lr->Link()) continue;
            int code = 0;
            if (lr->IsUsedIn(s)) code = lr->GetBooleanIn(s, TLinkRoute::kNoTransfers) ? 1 : 2;
            out(Format("%6d,%6d, %6d, %4d",
                       {lr->Link()->Tail()->Id(), lr->Link()->Head()->Id(), route->Id(), code}));
        }
    }
}

void TurnLines(const TProject& project, const TScenario* s, const TLineSink& out) {
    out("From, Thru, To, Delay");
    const TLinkList& links = project.Links();
    for (std::size_t i = 0; i < links.Count(); ++i) {
        const TLink* link = links.Get(i);
        if (i % 256 == 0) Progress("Exporting Turn Restrictions", i, links.Count());
        const TTurnRestrictionList& turns = link->Turns();
        for (std::size_t k = 0; k < turns.Count(); ++k) {
            const TTurnRestriction* t = turns.Get(k);
            if (!t->To()) continue;
            const TValue delay = t->GetValueIn(s, TTurnRestriction::kDelay);
            // The base scenario inherits the declared default.
            TValue inherited;
            if (s->Parent())
                inherited = t->GetValueIn(s->Parent(), TTurnRestriction::kDelay);
            else if (const TPropSpec* spec = t->Specs().FindById(TTurnRestriction::kDelay))
                inherited = spec->Default();
            if (ValuesEqual(delay, inherited)) continue;
            out(Format("%d, %d, %d, %g",
                       {link->Tail()->Id(), link->Head()->Id(), t->To()->Id(), delay.ToDouble()}));
        }
    }
}

void SpeedLines(const TProject& project, const TScenario* s, const TLineSink& out,
                std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> extra(0, 49);
    out(Format("%s,%s,%s,%s,%s,%s,%s", {"Link Id", "Origin Id", "Destination Id", "Operator",
                                        "Distance", "Speed", "StopTime"}));
    const TLinkList& links = project.Links();
    for (std::size_t i = 0; i < links.Count(); ++i) {
        const TLink* link = links.Get(i);
        if (i % 256 == 0) Progress("Exporting Speeds", i, links.Count());
        const TLinkType* type = link->LinkTypeIn(s);
        if (!link->IsUsedIn(s) || !type) continue;
        std::vector<TOperator*> ops;
        for (TZEPPersistent* item : link->LinkRoutes().Items()) {
            auto* lr = static_cast<TLinkRoute*>(item);
            TOperator* op = lr->Route() ? lr->Route()->Operator() : nullptr;
            if (op && lr->IsUsedIn(s) && std::find(ops.begin(), ops.end(), op) == ops.end())
                ops.push_back(op);
        }
        for (TOperator* op : ops) {
            const TLinkTypeOper* rec = type->OperatorData(op);
            if (!rec) continue;
            const double free = rec->GetFloatIn(s, TLinkTypeOper::kFreeFlowSpeed);
            double speed = free;
            if (op->Type() != otWalk) {
                const double reference = type->MaxFreeFlowSpeed(s);
                speed = reference > 0 ? link->GetFloatIn(s, TLink::kSpeed) * free / reference : 0.0;
            }
            int count = 0;
            double total = 0;
            for (TZEPPersistent* item : link->LinkRoutes().Items()) {
                auto* lr = static_cast<TLinkRoute*>(item);
                if (!lr->IsUsedIn(s) || !lr->Route() || lr->Route()->Operator() != op) continue;
                if (count > 0 && !lr->GetBooleanIn(s, TLinkRoute::kNoTransfers))
                    total += 10 + extra(random);
                ++count;
            }
            const auto stop = static_cast<std::int64_t>(std::llround(count ? total / count : 0));
            if (speed > 0 && std::isfinite(speed))
                out(Format("%6d,%6d,%6d,%6d,%6g, %8g, %8d",
                           {link->Id(), link->Tail()->Id(), link->Head()->Id(), op->Id(),
                            link->GetFloatIn(s, TLink::kLength), speed, stop}));
        }
    }
}

namespace {
template <class Write> TTextLines Collected(const Write& write) {
    TTextLines lines;
    write([&](const std::string& line) { lines.push_back(line); });
    return lines;
}
} // namespace

TTextLines NodeLines(const TProject& project, const TScenario* s) {
    return Collected([&](const TLineSink& out) { NodeLines(project, s, out); });
}

TTextLines LinkLines(const TProject& project, const TScenario* s) {
    return Collected([&](const TLineSink& out) { LinkLines(project, s, out); });
}

TTextLines OperLines(const TProject& project, const TScenario* s) {
    return Collected([&](const TLineSink& out) { OperLines(project, s, out); });
}

TTextLines RouteLinkLines(const TProject& project, const TScenario* s) {
    return Collected([&](const TLineSink& out) { RouteLinkLines(project, s, out); });
}

TTextLines TurnLines(const TProject& project, const TScenario* s) {
    return Collected([&](const TLineSink& out) { TurnLines(project, s, out); });
}
TTextLines SpeedLines(const TProject& project, const TScenario* s, std::uint32_t seed) {
    return Collected([&](const TLineSink& out) { SpeedLines(project, s, out, seed); });
}

void ExportNetwork(TProject& project, TScenario* scenario, const std::string& directory) {
    struct TEnd {
        ~TEnd() { EndProgress(); }
    } end;
    // Each file is written as its lines are made, not held whole: a million-link network's
    // links file is a hundred megabytes.
    using TWrite = void (*)(const TProject&, const TScenario*, const TLineSink&);
    auto save = [&](TNetworkFileKind kind, TWrite write) {
        TReplacingFileWriter file(NetworkFileName(project, scenario, kind, directory));
        write(project, scenario, [&](const std::string& line) { file.Line(line); });
        file.Commit();
    };
    save(TNetworkFileKind::Nodes, NodeLines);
    save(TNetworkFileKind::Links, LinkLines);
    save(TNetworkFileKind::Opers, OperLines);
    save(TNetworkFileKind::Routes, RouteLinkLines);
    save(TNetworkFileKind::Turns, TurnLines);
    const std::string speeds =
        NetworkFileName(project, scenario, TNetworkFileKind::Speeds, directory);
    if (project.AssignmentResults()) {
        save(TNetworkFileKind::Speeds, [](const TProject& p, const TScenario* s,
                                          const TLineSink& out) { SpeedLines(p, s, out); });
    } else {
        std::error_code ec;
        std::filesystem::remove(speeds, ec);
    }
}

// ---- reading ----------------------------------------------------------------------------------

std::vector<std::string> SplitNetworkLine(std::string_view line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find_first_of(",\t", start);
        std::string cell = Trim(line.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (cell.size() >= 2 && (cell.front() == '"' || cell.front() == '\'') &&
            cell.back() == cell.front())
            cell = cell.substr(1, cell.size() - 2);
        cells.push_back(std::move(cell));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return cells;
}

double NetworkNumber(std::string_view cell) {
    std::string text = UpperCase(Trim(cell));
    if (text.empty()) return 0.0;
    if (text == "INF") return kInf;
    if (text == "-INF") return -kInf;
    double scale = 1.0;
    if (text.back() == '%') {
        text.pop_back();
        scale = 0.01;
    }
    double value;
    if (text.empty() || !TryStrToFloat(text, value))
        return std::numeric_limits<double>::quiet_NaN();
    return value * scale;
}

struct TNetworkImporter::TLineCtx {
    const std::string& file;
    int number;
    std::vector<std::string> cells;

    [[noreturn]] void Fail(const std::string& what) const {
        throw EConvertError(file + ":" + std::to_string(number) + ": " + what);
    }
    void Require(std::size_t n) const {
        if (cells.size() < n)
            Fail(std::to_string(n) + " cells expected, " + std::to_string(cells.size()) + " found");
    }
    std::int32_t Int(std::size_t i) const {
        std::int64_t v;
        if (!TryStrToInt64(cells[i], v) || v < std::numeric_limits<std::int32_t>::min() ||
            v > std::numeric_limits<std::int32_t>::max())
            Fail("'" + cells[i] + "' is not a valid integer value");
        return static_cast<std::int32_t>(v);
    }
    double Num(std::size_t i) const { return NetworkNumber(cells[i]); }
    bool Has(std::size_t i) const { return cells.size() > i; }
};

TNetworkImporter::TNetworkImporter(TProject& project, TScenario* scenario)
    : project_(project), scenario_(scenario) {}

void TNetworkImporter::ImportFile(const std::string& path) {
    const TNetworkFileKind kind = NetworkFileKindOf(path);
    TMemoryStream data;
    data.LoadFromFile(path);
    ImportText(kind, data.Data(), path);
}

void TNetworkImporter::ImportText(TNetworkFileKind kind, std::string_view text,
                                  const std::string& fileName) {
    static const char* const kProgress[] = {"Importing Nodes", "Importing Links",
                                            "Importing Routes", "Importing Link-Routes",
                                            "Importing Turn Restrictions"};
    if (kind == TNetworkFileKind::Speeds)
        throw EInvalidFormat("Speeds files are written, never read: " + fileName);
    const char* progress = kProgress[static_cast<int>(kind)];
    struct TEnd {
        ~TEnd() { EndProgress(); }
    } end;
    std::size_t pos = 0;
    int number = 0;
    std::size_t done = 0;
    bool first = true;
    while (pos < text.size()) {
        std::size_t eol = text.find_first_of("\r\n", pos);
        if (eol == std::string_view::npos) eol = text.size();
        const std::string_view raw = text.substr(pos, eol - pos);
        pos = eol;
        if (pos < text.size())
            pos += text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
        ++number;
        if (Trim(raw).empty()) continue;
        TLineCtx line{fileName, number, SplitNetworkLine(raw)};
        if (first) {
            first = false;
            std::int64_t v;
            if (!TryStrToInt64(line.cells[0], v)) continue; // the heading
        }
        if (done++ % 64 == 0) ShowProgress(progress, static_cast<double>(pos) / text.size());
        switch (kind) {
        case TNetworkFileKind::Nodes:
            NodesLine(line);
            break;
        case TNetworkFileKind::Links:
            LinksLine(line);
            break;
        case TNetworkFileKind::Opers:
            OpersLine(line);
            break;
        case TNetworkFileKind::Routes:
            RoutesLine(line);
            break;
        case TNetworkFileKind::Turns:
            TurnsLine(line);
            break;
        case TNetworkFileKind::Speeds:
            break;
        }
    }
    if (kind == TNetworkFileKind::Opers || kind == TNetworkFileKind::Routes)
        RefreshRouteSequences();
}

void TNetworkImporter::NodesLine(const TLineCtx& line) {
    line.Require(4);
    const std::int32_t id = line.Int(0);
    TNode* node = project_.FindNode(id);
    if (!node) {
        const std::string& kind = line.cells[3];
        if (kind == "0")
            node = project_.NewNode(id);
        else if (kind == "2")
            node = project_.NewExternalZone(id);
        else
            node = project_.NewMicroZone(id);
    }
    node->SetFloat(TNode::kX, line.Num(1));
    node->SetFloat(TNode::kY, line.Num(2));
    if (line.Has(4)) node->SetName(line.cells[4]);
    if (line.Has(5)) node->SetDescription(line.cells[5]);
}

void TNetworkImporter::SetLinkValues(TLink* link, std::int32_t typeId, const TLineCtx& line) {
    if (typeId == 0) {
        link->SetUsedIn(scenario_, false);
    } else {
        auto* type = static_cast<TLinkType*>(project_.LinkTypes().FindById(typeId));
        if (!type) type = project_.NewLinkType(typeId);
        link->SetLinkTypeIn(scenario_, type);
    }
    link->SetValueIn(scenario_, TLink::kLength, TValue(line.Num(5)));
    double capacity = line.Num(6);
    if (capacity < 0) capacity = kInf;
    link->SetValueIn(scenario_, TLink::kCapacity, TValue(capacity));
    if (line.Has(7)) link->SetValueIn(scenario_, TLink::kLinkName, TValue(line.cells[7]));
    if (line.Has(8)) link->SetValueIn(scenario_, TLink::kLinkDesc, TValue(line.cells[8]));
}

void TNetworkImporter::UpdateTwoWay(TLink* link) {
    TLink* rev = project_.ReverseLink(link);
    if (!rev || rev == link) {
        link->SetValueIn(scenario_, TLink::kTwoWay, TValue(false));
        return;
    }
    link->SetValueIn(scenario_, TLink::kTwoWay, TValue(true));
    rev->SetValueIn(scenario_, TLink::kTwoWay, TValue(true));
    if (!IsExportedAsPair(project_, link, scenario_)) {
        link->SetValueIn(scenario_, TLink::kTwoWay, TValue(false));
        rev->SetValueIn(scenario_, TLink::kTwoWay, TValue(false));
    }
}

void TNetworkImporter::LinksLine(const TLineCtx& line) {
    line.Require(7);
    const std::int32_t id = line.Int(0);
    const std::int32_t fromId = line.Int(1);
    const std::int32_t toId = line.Int(2);
    const bool both = line.cells[3] == "2";
    const std::int32_t typeId = line.Int(4);
    if (typeId == -1) {
        TNode* from = project_.FindNode(fromId);
        TNode* to = project_.FindNode(toId);
        if (TLink* link = project_.FindLink(from, to))
            project_.RemoveLink(link, both);
        else if (TLink* rev = both ? project_.FindLink(to, from) : nullptr)
            project_.RemoveLink(rev, false);
        return;
    }
    TLink* link = project_.NewLinkByIds(id, fromId, toId);
    SetLinkValues(link, typeId, line);
    if (both) SetLinkValues(project_.NewLinkByIds(id, toId, fromId), typeId, line);
    UpdateTwoWay(link);
}

void TNetworkImporter::OpersLine(const TLineCtx& line) {
    line.Require(4);
    const std::int32_t id = line.Int(0);
    if (id < 0) return;
    const std::int32_t opId = line.Int(3);
    // Operators are numbered from 1; an operator made with a number below would give its own
    // route (numbered as the negative of its operator) a number a transit route holds.
    if (opId <= 0) line.Fail("operator " + line.cells[3] + " is not a number from 1 on");
    if (project_.Modes().IsEmpty()) project_.NewMode();
    auto* op = static_cast<TOperator*>(project_.Operators().FindById(opId));
    if (!op) {
        op = project_.NewOperator(project_.Modes().Get(0), opId);
        op->SetType(otRoute);
    }
    TRoute* route = project_.RouteById(id, line.cells[1], op);
    route->SetUsedIn(scenario_, true);
    route->SetDescription(line.cells[2]);
    const std::int32_t ids[] = {TRoute::kMinFreq, TRoute::kMaxFreq, TRoute::kTargetOccupancy,
                                TRoute::kMaxFleet};
    for (std::size_t k = 0; k < 4; ++k)
        if (line.Has(4 + k)) route->SetValueIn(scenario_, ids[k], TValue(line.Num(4 + k)));
    if (line.Has(8)) {
        std::int64_t v;
        route->SetValueIn(scenario_, TRoute::kScheduled,
                          TValue(TryStrToInt64(line.cells[8], v) && v != 0));
    }
}

void TNetworkImporter::RoutesLine(const TLineCtx& line) {
    line.Require(4);
    const std::int32_t fromId = line.Int(0);
    const std::int32_t toId = line.Int(1);
    const std::int32_t routeId = line.Int(2);
    const std::int32_t code = line.Int(3);
    if (code < 0 || code > 2) line.Fail("route-link code " + line.cells[3] + " is not 0, 1 or 2");
    // Internal routes belong to their operators and are never exchanged.
    if (routeId < 0) return;
    TLink* link = project_.FindLink(project_.FindNode(fromId), project_.FindNode(toId));
    if (!link) {
        // A line that only switches off a missing link, or that cannot say so (four columns),
        // is skipped without leaving new nodes behind.
        if (line.cells.size() < 5 || code == 0) return;
        link = project_.LinkBetween(project_.NodeById(fromId), project_.NodeById(toId));
        link->SetUsedIn(scenario_, true);
        if (!link->LinkTypeIn(scenario_)) {
            TLinkType* type = project_.LinkTypes().IsEmpty() ? project_.NewLinkType()
                                                             : project_.LinkTypes().Get(0);
            link->SetLinkTypeIn(scenario_, type);
        }
    }
    auto* route = static_cast<TRoute*>(project_.Routes().FindById(routeId));
    if (!route) {
        TOperator* op = project_.FirstRouteOperator();
        if (!op) {
            if (project_.Modes().IsEmpty()) project_.NewMode();
            op = project_.NewOperator(project_.Modes().Get(0));
            op->SetType(otRoute);
        }
        route = project_.NewRoute(op, routeId);
    }
    TLinkRoute* lr = project_.NewLinkRoute(link, route);
    lr->SetUsedIn(scenario_, code != 0);
    if (code != 0) lr->SetValueIn(scenario_, TLinkRoute::kNoTransfers, TValue(code == 1));
}

void TNetworkImporter::TurnsLine(const TLineCtx& line) {
    line.Require(4);
    const std::int32_t fromId = line.Int(0);
    const std::int32_t thruId = line.Int(1);
    TLink* link = project_.FindLink(project_.FindNode(fromId), project_.FindNode(thruId));
    if (!link)
        line.Fail("there is no link from node " + std::to_string(fromId) + " to node " +
                  std::to_string(thruId));
    double delay = line.Num(3);
    if (std::isnan(delay) || delay < 0) delay = kInf;
    if (line.cells[2] == "*") {
        link->SetValueIn(scenario_, TLink::kDelay, TValue(delay));
        link->SetValueIn(scenario_, TLink::kTwoWay, TValue(false));
        if (TLink* rev = project_.ReverseLink(link))
            rev->SetValueIn(scenario_, TLink::kTwoWay, TValue(false));
        return;
    }
    const std::int32_t toId = line.Int(2);
    TNode* to = project_.FindNode(toId);
    if (!to) line.Fail("there is no node " + std::to_string(toId));
    link->GetOrCreateTurnTo(to)->SetValueIn(scenario_, TTurnRestriction::kDelay, TValue(delay));
}

void TNetworkImporter::RefreshRouteSequences() {
    const TRouteList& routes = project_.Routes();
    for (std::size_t i = 0; i < routes.Count(); ++i)
        routes.Get(i)->LinkRoutes().Ordered(scenario_);
}

// ---- commands ---------------------------------------------------------------------------------

void TExportNetworkCmd::Execute() {
    ExportNetwork(project_, scenario_, directory_);
}

void TImportNetworkCmd::Execute(undo::TCommandStack& stack) {
    undo::TUndoSet& set = project_.UndoSet();
    const std::size_t before = set.Count();
    auto command = std::make_unique<undo::TCommand>(&set, kName);
    try {
        TNetworkImporter(project_, scenario_).ImportFile(fileName_);
    } catch (...) {
        if (set.Count() > before) {
            stack.AddCommand(std::move(command));
        } else {
            undo::SetCurrentUndoSet(nullptr);
        }
        throw;
    }
    stack.AddCommand(std::move(command));
}

} // namespace zep::files
