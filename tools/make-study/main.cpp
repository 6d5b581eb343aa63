// zep-make-study: writes the bundled sample study "EXA" (--sample) or a synthetic study of a
// given size as a project file (.zpz, .zep, .xml, .xmlz) or, for .txt, as the canonical text
// dump of the study.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "files/PrjFile.h"
#include "foundation/Format.h"
#include "model/Consistency.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "modelio/LinkGeometry.h"

namespace {

constexpr const char* kUsage =
    "usage: zep-make-study --sample -o FILE\n"
    "       zep-make-study --nodes N --links M --zones Z --routes R --scenarios S\n"
    "                      [--line-links L] -o FILE\n"
    "FILE ending in .zpz, .zep, .xml or .xmlz (any case) gets a project file in that form;\n"
    "one ending in .txt the study's canonical text dump. Each bus route runs along a whole row of\n"
    "the grid, or over L links of it.\n";

int Usage(const std::string& problem) {
    if (!problem.empty()) std::cerr << "zep-make-study: " << problem << "\n";
    std::cerr << kUsage;
    return 2;
}

bool EndsWithNoCase(const std::string& s, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    return s.size() >= n && zep::SameText(s.substr(s.size() - n), suffix);
}

} // namespace

int main(int argc, char** argv) {
    using namespace zep::model;
    bool sample = false, sized = false;
    std::string out;
    TStudySizes sizes;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::int32_t& target) {
            std::int64_t v = 0;
            if (i + 1 >= argc || !zep::TryStrToInt64(argv[i + 1], v) || v < 0 || v > 10000000)
                return false;
            target = static_cast<std::int32_t>(v);
            ++i;
            sized = true;
            return true;
        };
        if (a == "--sample") {
            sample = true;
        } else if (a == "-o") {
            if (i + 1 >= argc) return Usage("-o needs a file name");
            out = argv[++i];
        } else if (a == "--nodes") {
            if (!value(sizes.nodes)) return Usage("--nodes needs a number");
        } else if (a == "--links") {
            if (!value(sizes.links)) return Usage("--links needs a number");
        } else if (a == "--zones") {
            if (!value(sizes.zones)) return Usage("--zones needs a number");
        } else if (a == "--routes") {
            if (!value(sizes.routes)) return Usage("--routes needs a number");
        } else if (a == "--line-links") {
            if (!value(sizes.lineLinks)) return Usage("--line-links needs a number");
        } else if (a == "--scenarios") {
            if (!value(sizes.scenarios) || sizes.scenarios < 1)
                return Usage("--scenarios needs a number of at least 1");
        } else if (a == "-h" || a == "--help") {
            std::cout << kUsage;
            return 0;
        } else {
            return Usage("unknown argument " + a);
        }
    }
    if (out.empty()) return Usage("no output file (-o FILE)");
    zep::InstallSaveInterruptCleanup();
    if (sample == sized) return Usage("give either --sample or the sizes");
    try {
        TProject project;
        if (sample)
            BuildSampleStudy(project);
        else
            BuildSyntheticStudy(project, sizes);
        const bool projectFile = EndsWithNoCase(out, ".zpz") || EndsWithNoCase(out, ".zep") ||
                                 EndsWithNoCase(out, ".xml") || EndsWithNoCase(out, ".xmlz");
        if (projectFile) {
            zep::files::SaveProject(out, project);
            // The links' courses go to the geometry file beside the project, as every save does.
            zep::modelio::SaveLinkGeometries(project, out);
        } else if (!EndsWithNoCase(out, ".txt")) {
            return Usage("cannot tell the form of \"" + out +
                         "\": name a .zpz, .zep, .xml, .xmlz or .txt file");
        } else {
            std::ofstream file(out, std::ios::binary);
            file << DumpProject(project);
            file.close();
            if (!file) {
                std::cerr << "zep-make-study: cannot write " << out << "\n";
                return 1;
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "zep-make-study: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
