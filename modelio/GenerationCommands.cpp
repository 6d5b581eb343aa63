#include "modelio/GenerationCommands.h"

#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "foundation/CodePages.h"
#include "foundation/Format.h"
#include "foundation/ORVFiles.h"
#include "foundation/OrvMessages.h"
#include "foundation/Stream.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/SCENARIO.h"
#include "modelio/CTL_File.h"
#include "modelio/DAT_Files.h"
#include "modelio/F1E_File.h"
#include "modelio/JOB_File.h"
#include "modelio/L0E_File.h"
#include "modelio/L1E_File.h"
#include "modelio/L2E_File.h"
#include "modelio/L3E_File.h"
#include "modelio/Make_File.h"
#include "modelio/P0E_File.h"
#include "modelio/P1E_File.h"
#include "modelio/T1E_File.h"
#include "modelio/Z1E_File.h"

namespace zep::modelio {

using namespace model;

namespace {

// The snapshot is little-endian whatever the machine, like the model's own files.
void PutInt(std::string& out, std::uint64_t v, int bytes) {
    // At most eight bytes: a wider shift is undefined.
    if (bytes > 8) throw std::invalid_argument("PutInt: at most 8 bytes");
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutShortString(std::string& out, const std::string& text) {
    // A short string holds at most 255 characters; a longer name keeps its beginning.
    const std::size_t n = text.size() < 255 ? text.size() : 255;
    out.push_back(static_cast<char>(n));
    out.append(text, 0, n);
}

// Ends the progress display however the command ends.
struct TProgressDoneGuard {
    ~TProgressDoneGuard() { EndProgress(); }
};

} // namespace

std::string ProjectSnapshotName(const TProject& project) {
    return InputFileName(project, nullptr, "W_", true, "KIV");
}

void WriteProjectSnapshot(const TProject& project, const TScenario& scenario) {
    std::vector<const TNode*> nodes;
    const TNodeList& list = project.Nodes();
    for (std::size_t i = 0; i < list.Count(); ++i)
        nodes.push_back(list.Get(i));
    if (nodes.size() > 0xFFFF)
        throw EWriteError(Format("The project snapshot holds at most 65535 nodes, the study has %d",
                                 {nodes.size()}));
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const TNode* a, const TNode* b) { return a->Id() < b->Id(); });

    std::string bytes;
    // 00 00 01 02: coordinates are 64-bit reals.
    PutInt(bytes, 0x02010000u, 4);
    // Where the network file holds its node type count: a reader takes none when it is 0 or
    // negative, and the snapshot carries the coordinate system there instead.
    PutInt(bytes, static_cast<std::uint8_t>(static_cast<std::int8_t>(-project.CoordinateSystem())),
           1);
    PutInt(bytes, nodes.size(), 2);
    TMemoryStream record;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        PutInt(bytes, static_cast<std::uint32_t>(nodes[i]->Id()), 4);
        record.Data().clear();
        record.Seek(0, SeekOrigin::Begin);
        nodes[i]->StoreZEPTPar(record);
        bytes += record.Data();
        ReportProgress("Storing Nodes", i + 1, nodes.size());
    }
    const TLinkList& links = project.Links();
    for (std::size_t i = 0; i < links.Count(); ++i) {
        const TLink* link = links.Get(i);
        if (!link->IsUsedIn(&scenario)) continue;
        const std::string name = link->GetStringIn(&scenario, TLink::kLinkName);
        if (name.empty()) continue;
        PutInt(bytes, static_cast<std::uint32_t>(link->Id()), 4);
        PutInt(bytes, static_cast<std::uint32_t>(link->Tail() ? link->Tail()->Id() : 0), 4);
        PutInt(bytes, static_cast<std::uint32_t>(link->Head() ? link->Head()->Id() : 0), 4);
        PutShortString(bytes, name);
        PutInt(bytes, 0, 2);
    }
    for (int zero = 0; zero < 3; ++zero)
        PutInt(bytes, 0, 4);
    ReplaceFileContent(ProjectSnapshotName(project), bytes);
}

std::string LinkGeometryName(const TProject& project, const TScenario& scenario) {
    return InputFileName(project, &scenario, "", true, "ply");
}

bool WriteLinkGeometry(const TProject& project, const TScenario& scenario) {
    TMemoryStream out;
    project.Links().WritePolylines(out);
    TLines lines;
    const std::string& text = out.Data();
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return SaveIfChanged(LinkGeometryName(project, scenario), lines);
}

void CommonStep(const TProject& project) {
    WriteCTL(project);
    WriteZ1E(project);
    WriteMakefile(project);
    WriteDATFiles(project);
}

void ScenarioStep(const TProject& project, const TScenario& scenario) {
    CommonStep(project);
    WriteProjectSnapshot(project, scenario);
    WriteP0E(project, scenario);
    WriteT1E(project, scenario);
    WriteP1E(project, scenario);
    WriteF1E(project, scenario);
    WriteL1E(project, scenario);
    WriteLinkGeometry(project, scenario);
    if (scenario.Parent()) {
        WriteL2E(project, scenario);
        WriteL3E(project, scenario);
    } else {
        WriteL0E(project);
    }
    WriteJOB(project, scenario);
}

const std::vector<TGenerationCommandInfo>& GenerationCommands() {
    using C = TGenerationCommand;
    static const std::vector<TGenerationCommandInfo> table = {
        {C::GenerateInputFiles, "GenerateInputFilesCmd", "&Generate Input Files", false},
        {C::GenerateSingleScenario, "GenerateSingleScenarioCmd", "Generate Sing&le Scenario...",
         true},
        {C::WriteCTL, "WriteCTLCmd", "CTL &Scenario Definitions", false},
        {C::WriteZ1E, "WriteZ1eCmd", "Z1E &Zone Definitions", false},
        {C::WriteP0E, "WriteP0ECmd", "P0E &Transport Parameters...", true},
        {C::WriteP1E, "WriteP1ECmd", "P1E &Network...", true},
        {C::WriteT1E, "WriteT1ECmd", "T1E &Assignment Parameters...", true},
        {C::WriteF1E, "WriteF1ECmd", "F1E &Flow Definitions...", true},
        {C::WriteL1E, "WriteL1ECmd", "L1E Economic &Sector Definitions...", true},
        {C::WriteL0E, "WriteL0ECmd", "L0E &Base Year Activity", false},
        {C::WriteL2E, "WriteL2ECmd", "L2E Activity &Increments...", true},
        {C::WriteL3E, "WriteL3ECmd", "L3E Activity Increments and &Decrements...", true},
        {C::WriteJOB, "WriteJOBCmd", "BAT &Job File...", true},
        {C::WriteMakefile, "WriteMakefileCmd", "&Makefile", false},
        {C::EmptyDATFiles, "EmptyDATFilesCmd", "&Empty .DAT Files", false},
    };
    return table;
}

void RunGenerationCommand(TGenerationCommand command, const TProject& project,
                          const TScenario* scenario) {
    TProgressDoneGuard done;
    using C = TGenerationCommand;
    switch (command) {
    case C::GenerateInputFiles: {
        CommonStep(project);
        const TScenarioList& list = project.Scenarios();
        for (std::size_t i = 0; i < list.Count(); ++i)
            ScenarioStep(project, *list.Get(i));
        return;
    }
    case C::WriteCTL:
        WriteCTL(project);
        return;
    case C::WriteZ1E:
        WriteZ1E(project);
        return;
    case C::WriteL0E:
        WriteL0E(project);
        return;
    case C::WriteMakefile:
        WriteMakefile(project);
        return;
    case C::EmptyDATFiles:
        WriteDATFiles(project);
        return;
    default:
        break;
    }
    if (!scenario) return; // the choice of scenario was cancelled
    const TScenario& s = *scenario;
    switch (command) {
    case C::GenerateSingleScenario:
        ScenarioStep(project, s);
        return;
    case C::WriteP0E:
        WriteP0E(project, s);
        WriteProjectSnapshot(project, s);
        return;
    case C::WriteP1E:
        WriteP1E(project, s);
        WriteProjectSnapshot(project, s);
        return;
    case C::WriteT1E:
        WriteT1E(project, s);
        return;
    case C::WriteF1E:
        WriteF1E(project, s);
        return;
    case C::WriteL1E:
        WriteL1E(project, s);
        return;
    case C::WriteL2E:
        if (s.Parent()) WriteL2E(project, s);
        return;
    case C::WriteL3E:
        if (s.Parent()) WriteL3E(project, s);
        return;
    case C::WriteJOB:
        WriteJOB(project, s);
        return;
    default:
        return;
    }
}

} // namespace zep::modelio
