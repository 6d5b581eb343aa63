// Network exchange files: one scenario's nodes, links, transit routes, route-links, turns and
// link speeds as comma-separated text, written for other tools and read back into a scenario.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "foundation/ORVFiles.h"
#include <string_view>
#include <vector>

#include "foundation/Exception.h"

namespace zep::undo {
class TCommandStack;
}

namespace zep::model {
class TLink;
class TProject;
class TRoute;
class TScenario;
} // namespace zep::model

namespace zep::files {

using TTextLines = std::vector<std::string>;
/// Receives a file's lines one by one, as they are made.
using TLineSink = std::function<void(const std::string&)>;

/// The kinds of exchange file; the extension is the kind's name in lower case.
enum class TNetworkFileKind { Nodes, Links, Opers, Routes, Turns, Speeds };

/// "nodes", "links", "opers", "routes", "turns" or "speeds".
const char* NetworkFileExtension(TNetworkFileKind kind);
/// The importable kind named by the file's extension (compared in lower case); any other
/// extension (speeds included: nothing reads it back) raises EInvalidFormat with the file name.
TNetworkFileKind NetworkFileKindOf(const std::string& fileName);

/// `directory` (the project file's directory when empty) / project name "-" scenario name "."
/// kind, e.g. Exa-01A.links.
std::string NetworkFileName(const model::TProject& project, const model::TScenario* scenario,
                            TNetworkFileKind kind, const std::string& directory = "");

// ---- writing --------------------------------------------------------------------------------

/// Whether the link and its reverse are written as one line with direction 2: both "two_way"
/// in the scenario, the same identifier, no turns and no link-routes of transit routes on
/// either (operators' internal routes do not count), and the same use,
/// type, length, capacity, name and description there (a pair whose members differ in a value
/// the single line carries would lose that difference).
bool IsExportedAsPair(const model::TProject& project, const model::TLink* link,
                      const model::TScenario* scenario);

/// The data line of a transit route in the opers form (also the MID line of the route files).
std::string TransitRouteLine(const model::TRoute* route, const model::TScenario* scenario);

/// The lines of each file, heading first, given to `out` one by one; the overloads without a
/// sink collect them. Values are read in `scenario`.
void NodeLines(const model::TProject& project, const model::TScenario* scenario,
               const TLineSink& out);
TTextLines NodeLines(const model::TProject& project, const model::TScenario* scenario);
/// Links added, removed or changed in the scenario; a pair once, from the member whose head
/// identifier is not below its tail's, when either member changed.
void LinkLines(const model::TProject& project, const model::TScenario* scenario,
               const TLineSink& out);
TTextLines LinkLines(const model::TProject& project, const model::TScenario* scenario);
/// Routes with an identifier of 0 or more.
void OperLines(const model::TProject& project, const model::TScenario* scenario,
               const TLineSink& out);
TTextLines OperLines(const model::TProject& project, const model::TScenario* scenario);
/// Route-links changed in the scenario, route by route in sequence order.
void RouteLinkLines(const model::TProject& project, const model::TScenario* scenario,
                    const TLineSink& out);
TTextLines RouteLinkLines(const model::TProject& project, const model::TScenario* scenario);
/// Turns whose delay differs from what the scenario inherits.
void TurnLines(const model::TProject& project, const model::TScenario* scenario,
               const TLineSink& out);
TTextLines TurnLines(const model::TProject& project, const model::TScenario* scenario);
/// Per link and operator: speed and stop time. Stop times draw from a generator seeded with
/// `seed`, so one export is reproducible.
void SpeedLines(const model::TProject& project, const model::TScenario* scenario,
                const TLineSink& out, std::uint32_t seed = 1);
TTextLines SpeedLines(const model::TProject& project, const model::TScenario* scenario,
                      std::uint32_t seed = 1);

using zep::SaveTextLines;

/// Writes the nodes, links, opers, routes and turns files of the scenario into `directory`
/// (the project's directory when empty), each written as its lines are made; then the speeds
/// file when the project holds assignment results, else an old speeds file is deleted.
void ExportNetwork(model::TProject& project, model::TScenario* scenario,
                   const std::string& directory = "");

// ---- reading --------------------------------------------------------------------------------

/// A line's cells: split at every comma and tab, each trimmed and stripped of one pair of
/// matching surrounding quotes (double or single).
std::vector<std::string> SplitNetworkLine(std::string_view line);
/// A number cell: empty is 0, "INF"/"-INF" infinities, a trailing "%" divides by 100,
/// anything else that is not a number NaN.
double NetworkNumber(std::string_view cell);

/// Reads exchange files into one scenario. Every change is recorded in the open undo
/// transaction, if any. A line that cannot be read stops the import with EConvertError
/// "<file>:<line>: <what>"; the lines before it stay applied.
class TNetworkImporter {
public:
    TNetworkImporter(model::TProject& project, model::TScenario* scenario);

    /// Reads the file at `path` as the kind its extension names.
    void ImportFile(const std::string& path);
    /// Reads `text` as `kind`; `fileName` names it in messages.
    void ImportText(TNetworkFileKind kind, std::string_view text, const std::string& fileName);

private:
    struct TLineCtx;
    void NodesLine(const TLineCtx& line);
    void LinksLine(const TLineCtx& line);
    void OpersLine(const TLineCtx& line);
    void RoutesLine(const TLineCtx& line);
    void TurnsLine(const TLineCtx& line);
    void SetLinkValues(model::TLink* link, std::int32_t typeId, const TLineCtx& line);
    void UpdateTwoWay(model::TLink* link);
    void RefreshRouteSequences();

    model::TProject& project_;
    model::TScenario* scenario_;
};

/// The command "Export Network": writes the exchange files of its scenario. It changes nothing
/// in the study, so it leaves no trace on the command stack.
class TExportNetworkCmd {
public:
    static constexpr const char* kName = "Export Network";
    TExportNetworkCmd(model::TProject& project, model::TScenario* scenario,
                      std::string directory = "")
        : project_(project), scenario_(scenario), directory_(std::move(directory)) {}
    const char* Name() const { return kName; }
    void Execute();

private:
    model::TProject& project_;
    model::TScenario* scenario_;
    std::string directory_;
};

/// The command "Import Network": imports one file into its scenario as one transaction pushed
/// on `stack`, so that undo reverts it. A failing line stops the import; the command is pushed
/// all the same (the lines before the failing one are applied and undo reverts them too) and
/// the exception passes on.
class TImportNetworkCmd {
public:
    static constexpr const char* kName = "Import Network";
    TImportNetworkCmd(model::TProject& project, model::TScenario* scenario, std::string fileName)
        : project_(project), scenario_(scenario), fileName_(std::move(fileName)) {}
    const char* Name() const { return kName; }
    const std::string& FileName() const { return fileName_; }
    void Execute(undo::TCommandStack& stack);

private:
    model::TProject& project_;
    model::TScenario* scenario_;
    std::string fileName_;
};

} // namespace zep::files
