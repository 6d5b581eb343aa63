// How each whole-study operation grows with the study: every operation is timed at four sizes in
// the same run, and the exponent of time against size is fitted by least squares on the
// logarithms (1 is linear, 2 quadratic). Also the peak memory per link at each size and the
// time of a whole `zep-cli info` process on the largest study. Two anchors close the table: what
// random reads over a block of the study's size and a sort cost at each size on this machine.
//
//   ScaleBench [--sizes 20000,80000,320000,1280000] [--dir DIR] [--only WORD[,WORD...]]
//              [--repeat N] [--line-links N]
// (--only times just the operations whose name holds one of the words, after building the
// study, in their usual order; --repeat runs the sizes N times over, each in a new process,
// and keeps each operation's best time: on a shared host another guest's work only ever adds
// time, and one slow run at the smallest size moves a fitted exponent by a tenth; --line-links
// sets the links of each bus line, 80 by default, 0 for lines over whole rows of the grid)
//
// The studies are made alike at every size: a bus line for every 200 links, each of a fixed
// length. Lines over whole rows, as the generator lays them by default, grow with the square
// root of the grid, and the study's link-routes with it: from 2.4 per link at 20,000 links to
// 5.4 at 1,280,000. An exponent against the links then measures the study's make-up as well
// as the operation.
//
// Not a test: the largest size takes minutes and gigabytes.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "files/ImportExport.h"
#include "files/PrjFile.h"
#include "files/TntpImport.h"
#include "foundation/HugePages.h"
#include "model/Consistency.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "model/SCENARIO.h"
#include "model/SampleStudy.h"
#include "modelio/L1E_File.h"
#include "modelio/P0E_File.h"
#include "modelio/P1E_File.h"
#include "modelio/T1E_File.h"
#include "undo/CMDStk_.h"

namespace fs = std::filesystem;
using namespace zep;
using model::TProject;

namespace {

double Since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// The process's peak resident size (kB) since the last reset.
long PeakKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A square grid of two-way links written as a TNTP network with about `links` links; the first
// row's nodes are the zones.
std::string WriteGrid(const fs::path& dir, long links) {
    const long side = std::max(2L, static_cast<long>(std::lround(std::sqrt(links / 4.0))) + 1);
    std::ostringstream body;
    long count = 0;
    auto node = [&](long r, long c) { return r * side + c + 1; };
    auto link = [&](long a, long b, double len) {
        body << '\t' << a << '\t' << b << '\t' << 1800 << '\t' << len << '\t' << len * 1.2
             << "\t0.15\t4\t0\t0\t1\t;\n";
        ++count;
    };
    for (long r = 0; r < side; ++r)
        for (long c = 0; c < side; ++c) {
            if (c + 1 < side) {
                link(node(r, c), node(r, c + 1), 1 + (r + c) % 7);
                link(node(r, c + 1), node(r, c), 1 + (r + c) % 7);
            }
            if (r + 1 < side) {
                link(node(r, c), node(r + 1, c), 1 + (r * c) % 5);
                link(node(r + 1, c), node(r, c), 1 + (r * c) % 5);
            }
        }
    const fs::path path = dir / "grid_net.tntp";
    std::ofstream out(path);
    out << "<NUMBER OF ZONES> " << side << "\n<NUMBER OF NODES> " << side * side
        << "\n<FIRST THRU NODE> 1\n<NUMBER OF LINKS> " << count << "\n<END OF METADATA>\n\n"
        << "~\tinit_node\tterm_node\tcapacity\tlength\tfree_flow_time\tb\tpower\tspeed\ttoll"
           "\tlink_type\t;\n"
        << body.str();
    return path.string();
}

struct TRow {
    std::vector<double> seconds;
};

std::vector<long> ParseSizes(const std::string& text) {
    std::vector<long> sizes;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        sizes.push_back(std::atol(item.c_str()));
    return sizes;
}

// What the machine itself charges as the memory walked grows, for reading the rows above: 20
// reads per link at random places of a block as large as the study (2,816 bytes per link, the
// resident size of a generated study), as eight chains in flight, which is how a walk over
// lists that leads from entity to entity reads; returns the seconds of the reads alone.
double RandomReadsAnchor(long links) {
    const std::size_t bytes = static_cast<std::size_t>(links) * 2816;
    THugeBuffer block(bytes);
    const std::size_t lines = bytes / 64;
    // Each cache line holds the offset of the next in one random cycle through them all.
    std::vector<std::uint32_t> order(lines);
    std::iota(order.begin(), order.end(), 0u);
    std::shuffle(order.begin(), order.end(), std::mt19937_64(1));
    for (std::size_t i = 0; i < lines; ++i)
        *reinterpret_cast<std::size_t*>(block.Data() + std::size_t{order[i]} * 64) =
            std::size_t{order[(i + 1) % lines]} * 64;
    constexpr int kChains = 8;
    std::size_t at[kChains];
    for (int c = 0; c < kChains; ++c)
        at[c] = std::size_t{order[c * (lines / kChains)]} * 64;
    const auto t = std::chrono::steady_clock::now();
    for (long k = 0; k < links * 20 / kChains; ++k)
        for (std::size_t& a : at)
            a = *reinterpret_cast<const std::size_t*>(block.Data() + a);
    const double seconds = Since(t);
    volatile std::size_t sink = at[0];
    (void)sink;
    return seconds;
}

// A sort of one random key per link-route (five per link): n log n on this machine.
double SortAnchor(long links) {
    std::vector<std::uint64_t> keys(static_cast<std::size_t>(links) * 5);
    std::mt19937_64 random(2);
    for (std::uint64_t& k : keys)
        k = random();
    const auto t = std::chrono::steady_clock::now();
    std::sort(keys.begin(), keys.end());
    return Since(t);
}

double Exponent(const std::vector<long>& sizes, const std::vector<double>& t) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double n = static_cast<double>(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        const double x = std::log(static_cast<double>(sizes[i]));
        const double y = std::log(std::max(t[i], 1e-6));
        sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

// Whether the operation's name holds one of the comma-separated words.
bool Selected(const std::string& name, const std::string& words) {
    std::size_t from = 0;
    while (from <= words.size()) {
        const std::size_t end = std::min(words.find(',', from), words.size());
        if (end > from && name.find(words.substr(from, end - from)) != std::string::npos)
            return true;
        from = end + 1;
    }
    return false;
}

std::string Quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct TOptions {
    std::vector<long> sizes{20000, 80000, 320000, 1280000};
    fs::path dir = fs::temp_directory_path() / "zep-scale-bench";
    std::string cli, only;
    int repeat = 1;
    std::int32_t lineLinks = 80;
    bool oneSize = false; // this process times one size for the one that started it
};

using TRecord = std::function<void(const std::string&, double)>;

// Times every operation on a study of `links` links in this process, giving each time to
// `record`; returns the line on the study's counts and its peak memory.
std::string RunSize(long links, const TOptions& o, const TRecord& record) {
    auto wanted = [&](const std::string& name) { return o.only.empty() || Selected(name, o.only); };
    auto timed = [&](const std::string& name, const std::function<void()>& f) {
        if (name != "generate synthetic study" && !wanted(name)) return;
        auto t = std::chrono::steady_clock::now();
        f();
        record(name, Since(t));
    };
    std::fprintf(stderr, "%ld links\n", links);
    ResetPeak();
    const fs::path sdir = o.dir / std::to_string(links);
    fs::remove_all(sdir);
    fs::create_directories(sdir);
    const std::string zpz = (sdir / "Scale.zpz").string();
    const std::string xml = (sdir / "Scale.xml").string();
    model::TStudySizes sz{static_cast<std::int32_t>(links * 3 / 8),
                          static_cast<std::int32_t>(links),
                          static_cast<std::int32_t>(links / 133),
                          static_cast<std::int32_t>(links / 200),
                          5,
                          o.lineLinks};
    auto p = std::make_unique<TProject>();
    timed("generate synthetic study", [&] { model::BuildSyntheticStudy(*p, sz); });
    // Named from the start, so that the model files land in the study's directory
    // even when --only leaves the saves out.
    p->SetFileName(zpz);
    const std::size_t linkCount = p->Links().Count();
    const std::size_t nodeCount = p->Nodes().Count();
    const std::size_t linkRouteCount = p->LinkRoutes().Count();
    timed("save .zpz", [&] { files::SaveProject(zpz, *p); });
    timed("save .xml", [&] { files::SaveProject(xml, *p); });
    timed("validate", [&] { p->Validate(); });
    timed("consistency check", [&] { model::CheckConsistency(*p); });
    timed("export network", [&] { files::ExportNetwork(*p, p->BaseScenario(), sdir); });
    timed("model files (P0E T1E P1E L1E)", [&] {
        const model::TScenario& s = *p->Scenarios().Get(p->Scenarios().Count() - 1);
        modelio::WriteP0E(*p, s);
        modelio::WriteT1E(*p, s);
        modelio::WriteP1E(*p, s);
        modelio::WriteL1E(*p, s);
    });
    {
        undo::TCommandStack stack;
        timed("remove whole network", [&] {
            undo::RunCommand(&p->UndoSet(), stack, "Remove Network", [&] {
                std::vector<model::TNode*> all(p->Nodes().Count());
                for (std::size_t i = 0; i < all.size(); ++i)
                    all[i] = p->Nodes().Get(i);
                p->RemoveNodes(all);
            });
        });
        timed("undo the removal", [&] { stack.UndoTop(); });
    }
    {
        // 500 links, then 200 nodes, each its own command, spread over the lists: the time
        // of one removal may grow at most as the lists it changes do.
        undo::TCommandStack stack;
        timed("remove 500 links one by one", [&] {
            const std::size_t n = 500;
            for (std::size_t k = 0; k < n; ++k) {
                model::TLink* l = p->Links().Get((k * 7919) % p->Links().Count());
                undo::RunCommand(&p->UndoSet(), stack, "Remove Link",
                                 [&] { p->RemoveLink(l, false); });
            }
        });
        timed("remove 200 nodes one by one", [&] {
            const std::size_t n = 200;
            for (std::size_t k = 0; k < n; ++k) {
                model::TNode* node = p->Nodes().Get((k * 104729) % p->Nodes().Count());
                undo::RunCommand(&p->UndoSet(), stack, "Remove Node",
                                 [&] { p->RemoveEntity(node); });
            }
        });
        timed("undo those 700 removals", [&] {
            while (stack.CanUndoTop())
                stack.UndoTop();
        });
    }
    timed("close (teardown)", [&] { p.reset(); });
    timed("open .zpz", [&] { p = files::OpenProject(zpz); });
    timed("close opened study", [&] { p.reset(); });
    timed("open .xml", [&] { p = files::OpenProject(xml); });
    {
        auto fresh = std::make_unique<TProject>();
        fresh->SetFileName((sdir / "Imported.zpz").string());
        model::TScenario* base = fresh->BaseScenario();
        timed("import network", [&] {
            undo::TCommandStack stack;
            for (auto kind : {files::TNetworkFileKind::Nodes, files::TNetworkFileKind::Links,
                              files::TNetworkFileKind::Opers, files::TNetworkFileKind::Routes})
                files::TImportNetworkCmd(
                    *fresh, base,
                    files::NetworkFileName(*p, p->BaseScenario(), kind, sdir.string()))
                    .Execute(stack);
        });
        if (fresh->Links().Count() == 0 && wanted("import"))
            std::fprintf(stderr, "import made no link\n");
    }
    p.reset();
    const std::string grid = WriteGrid(sdir, links);
    timed("TNTP import", [&] {
        TProject t;
        files::ImportTntpFiles(t, grid, "", "", "");
    });
    const long peak = PeakKb();
    const std::string memory =
        std::to_string(links) + " links (" + std::to_string(linkCount) + " made, " +
        std::to_string(nodeCount) + " nodes, " + std::to_string(linkRouteCount) +
        " link-routes): peak " + std::to_string(peak / 1024) + " MiB, " +
        std::to_string(static_cast<long>(peak * 1024.0 / linkCount)) + " bytes per link";
    if (wanted("anchor")) {
        record("anchor: random reads, 20 per link", RandomReadsAnchor(links));
        record("anchor: sort, 5 keys per link", SortAnchor(links));
    }
    if (!o.cli.empty() && wanted("zep-cli info")) {
        auto t = std::chrono::steady_clock::now();
        const std::string command = Quoted(o.cli) + " info " + Quoted(zpz) + " > /dev/null";
        if (std::system(command.c_str()) == 0)
            record("zep-cli info (process)", Since(t));
        else
            std::fprintf(stderr, "info failed (is the study saved?)\n");
    }
    fs::remove_all(sdir);
    return memory;
}

// Runs one size in a process of its own, as the benchmark itself with --one-size, and gives
// back its times; returns its memory line, or an empty one when it failed.
std::string RunSizeApart(const char* self, long links, const TOptions& o, const TRecord& record) {
    std::string command = Quoted(self) + " --one-size 1 --sizes " + std::to_string(links) +
                          " --dir " + Quoted(o.dir.string()) + " --line-links " +
                          std::to_string(o.lineLinks) + " --cli " + Quoted(o.cli);
    if (!o.only.empty()) command += " --only " + Quoted(o.only);
    FILE* child = popen(command.c_str(), "r");
    if (!child) return {};
    std::string memory;
    char line[4096];
    while (std::fgets(line, sizeof line, child)) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const std::size_t tab = text.rfind('\t');
        if (text.rfind("@row\t", 0) == 0 && tab > 5)
            record(text.substr(5, tab - 5), std::atof(text.c_str() + tab + 1));
        else if (text.rfind("@memory\t", 0) == 0)
            memory = text.substr(8);
    }
    return pclose(child) == 0 ? memory : std::string();
}

} // namespace

int main(int argc, char** argv) {
    TOptions o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--sizes") o.sizes = ParseSizes(argv[i + 1]);
        if (a == "--dir") o.dir = argv[i + 1];
        if (a == "--cli") o.cli = argv[i + 1];
        if (a == "--only") o.only = argv[i + 1];
        if (a == "--repeat") o.repeat = std::max(1, std::atoi(argv[i + 1]));
        if (a == "--line-links") o.lineLinks = std::max(0, std::atoi(argv[i + 1]));
        if (a == "--one-size") o.oneSize = true;
    }
#ifdef ZEP_CLI_PATH
    if (o.cli.empty()) o.cli = ZEP_CLI_PATH;
#endif
    fs::create_directories(o.dir);
    if (o.oneSize) {
        const std::string memory = RunSize(o.sizes.at(0), o, [](const std::string& name, double s) {
            std::fprintf(stderr, "  %-34s %9.3f s   peak %6ld MiB\n", name.c_str(), s,
                         PeakKb() / 1024);
            std::printf("@row\t%s\t%.6f\n", name.c_str(), s);
            std::fflush(stdout);
        });
        std::printf("@memory\t%s\n", memory.c_str());
        return 0;
    }

    std::vector<std::string> order;
    std::map<std::string, TRow> rows;
    std::vector<std::string> memory;
    std::size_t sizeIndex = 0;
    // The best time of each operation at each size.
    auto record = [&](const std::string& name, double s) {
        if (!rows.count(name)) order.push_back(name);
        std::vector<double>& seconds = rows[name].seconds;
        if (seconds.size() <= sizeIndex)
            seconds.push_back(s);
        else
            seconds[sizeIndex] = std::min(seconds[sizeIndex], s);
    };
    // The sizes in turn, as many rounds as asked: a slow spell of the host then falls on every
    // size alike instead of on the one that was being timed. Each size runs in a process of its
    // own: in one that has already held a study, the pool's free lists hand out the blocks of
    // the last teardown in their scattered order, and every walk over the next study is slower
    // (two to three times at 1,280,000 links), so repeated rounds measured a different memory
    // than the first.
    for (int run = 0; run < o.repeat; ++run)
        for (sizeIndex = 0; sizeIndex < o.sizes.size(); ++sizeIndex) {
            const std::string m = RunSizeApart(argv[0], o.sizes[sizeIndex], o, record);
            if (m.empty()) {
                std::fprintf(stderr, "the run of %ld links failed\n", o.sizes[sizeIndex]);
                return 1;
            }
            if (run == 0) memory.push_back(m);
        }

    std::printf("| operation |");
    for (long s : o.sizes)
        std::printf(" %ld |", s);
    std::printf(" exponent |\n|---|");
    for (std::size_t i = 0; i <= o.sizes.size(); ++i)
        std::printf("---|");
    std::printf("\n");
    for (const std::string& name : order) {
        const TRow& r = rows[name];
        std::printf("| %s |", name.c_str());
        for (double s : r.seconds)
            std::printf(" %.3f |", s);
        std::printf(" %.2f |\n", Exponent(o.sizes, r.seconds));
    }
    std::printf("\n");
    for (const std::string& m : memory)
        std::printf("%s\n", m.c_str());
    return 0;
}
