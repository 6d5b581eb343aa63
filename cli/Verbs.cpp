#include "cli/Verbs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "cli/ConsoleMessageHandler.h"
#include "files/PrjFile.h"
#include "foundation/CodePages.h"
#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "model/Project.h"
#include "modelio/LinkGeometry.h"

#ifndef ZEP_VERSION
#define ZEP_VERSION "0.1.0"
#endif

namespace zep::cli {

ArgReader::ArgReader(const std::vector<std::string>& args, std::vector<std::string> valued,
                     std::vector<std::string> flags) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-' && a != "-") {
            if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
                options_.emplace_back(a, "");
            } else if (std::find(valued.begin(), valued.end(), a) != valued.end()) {
                if (i + 1 >= args.size()) throw EUsageError("option " + a + " needs a value");
                options_.emplace_back(a, args[++i]);
            } else {
                throw EUsageError("unknown option " + a);
            }
        } else {
            positional_.push_back(a);
        }
    }
}

bool ArgReader::Has(const std::string& option) const {
    return std::any_of(options_.begin(), options_.end(),
                       [&](const auto& o) { return o.first == option; });
}

std::string ArgReader::Value(const std::string& option, const std::string& fallback) const {
    for (auto it = options_.rbegin(); it != options_.rend(); ++it)
        if (it->first == option) return it->second;
    return fallback;
}

std::vector<std::string> ArgReader::Values(const std::string& option) const {
    std::vector<std::string> out;
    for (const auto& [name, value] : options_)
        if (name == option) out.push_back(value);
    return out;
}

void ArgReader::ExpectPositional(std::size_t min, std::size_t max,
                                 const std::string& synopsis) const {
    if (positional_.size() < min || positional_.size() > max)
        throw EUsageError("usage: zep-cli " + synopsis);
}

model::TScenario* ScenarioByName(model::TProject& project, const std::string& name) {
    if (model::TScenario* s = project.Scenarios().FindScenario(name)) return s;
    throw Exception("the study has no scenario \"" + name +
                    "\"; its scenarios: " + ScenarioNames(project));
}

namespace {
bool leaveToExit = false;
// Still reachable, so that a leak checker does not count them.
std::vector<model::TProject*>& LeftToExit() {
    static auto* left = new std::vector<model::TProject*>;
    return *left;
}
} // namespace

void TStudyDeleter::operator()(model::TProject* project) const {
    if (leaveToExit)
        LeftToExit().push_back(project);
    else
        delete project;
}

void LeaveStudiesToProcessExit() {
    leaveToExit = true;
}

TStudy OpenStudy(const std::string& fileName) {
    TStudy project(files::OpenProject(fileName).release());
    modelio::AttachLinkGeometries(*project);
    return project;
}

void SaveStudy(const std::string& fileName, model::TProject& project) {
    files::SaveProject(fileName, project);
    if (fileName != "-") modelio::SaveLinkGeometries(project, fileName);
}

std::array<double, 4> ParseRectOption(const std::string& text) {
    std::array<double, 4> v{};
    std::size_t n = 0;
    std::stringstream in(text);
    for (std::string field; std::getline(in, field, ',');) {
        double d = 0;
        if (n == 4 || !TryStrToFloat(Trim(field), d) || !std::isfinite(d))
            throw EUsageError("--rect wants four numbers X1,Y1,X2,Y2, not \"" + text + "\"");
        v[n++] = d;
    }
    if (n != 4) throw EUsageError("--rect wants four numbers X1,Y1,X2,Y2, not \"" + text + "\"");
    return v;
}

std::string ScenarioNames(model::TProject& project) {
    std::string names;
    for (std::size_t i = 0; i < project.Scenarios().Count(); ++i)
        names += (i ? ", " : "") + AnsiToUtf8(project.Scenarios().Get(i)->GetName());
    return names;
}

TOutputForm ProjectOutputForm(const std::string& fileName, bool allowStdout) {
    if (fileName == "-") {
        if (allowStdout) return TOutputForm::Xml;
        throw EUsageError("a study cannot be written to standard output here; name a file");
    }
    const std::string ext =
        LowerCase(fileName.substr(std::min(fileName.size(), fileName.find_last_of('.'))));
    if (ext == ".zpz" || ext == ".zep") return TOutputForm::Native;
    if (ext == ".xml" || ext == ".xmlz") return TOutputForm::Xml;
    throw EUsageError("cannot tell the form of \"" + fileName +
                      "\" from its extension; the known ones are .zpz, .zep, .xml and .xmlz");
}

namespace {

bool AsksForHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "-h" || a == "--help"; });
}

void VerbUsage(const Verb& v) {
    std::printf("usage: zep-cli %s%s%s\n\n%s\n", v.name.c_str(), v.synopsis.empty() ? "" : " ",
                v.synopsis.c_str(), v.summary.c_str());
    if (!v.details.empty()) std::printf("\n%s", v.details.c_str());
    if (!v.details.empty() && v.details.back() != '\n') std::printf("\n");
}

int Help(const std::vector<std::string>&) {
    std::printf("zep-cli: batch front end of ZEP, the shell of the VARDEN model\n\n"
                "usage: zep-cli VERB [ARGUMENTS]\n\nverbs:\n");
    for (const auto& v : AllVerbs())
        std::printf("  %s %s\n      %s\n", v.name.c_str(), v.synopsis.c_str(), v.summary.c_str());
    std::printf("\nzep-cli VERB --help shows a verb's own usage.\n"
                "exit status: 0 success, 1 the work failed, 2 usage error (validate: 1 problems "
                "found, 3 the file cannot be read)\n");
    return 0;
}

int Version(const std::vector<std::string>&) {
    std::printf("zep-cli %s\n", ZEP_VERSION);
    return 0;
}

std::vector<std::pair<int, Verb>>& Registry() {
    static std::vector<std::pair<int, Verb>> registry;
    return registry;
}

VerbRegistrar help(0, {"help", "", "list the verbs", Help});
VerbRegistrar version(1, {"version", "", "print the version", Version});

} // namespace

VerbRegistrar::VerbRegistrar(int order, Verb verb) {
    Registry().emplace_back(order, std::move(verb));
}

const std::vector<Verb>& AllVerbs() {
    static const std::vector<Verb> verbs = [] {
        auto r = Registry();
        std::stable_sort(r.begin(), r.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<Verb> v;
        for (auto& e : r)
            v.push_back(std::move(e.second));
        return v;
    }();
    return verbs;
}

int RunCli(const std::vector<std::string>& args) {
    TConsoleMessageHandler console;
    ScopedMessageHandler scope(console);
    if (args.empty()) {
        std::fprintf(stderr, "usage: zep-cli VERB [ARGUMENTS]; zep-cli help lists the verbs\n");
        return 2;
    }
    const auto& verbs = AllVerbs();
    const std::string name = args[0] == "--help" || args[0] == "-h" ? "help"
                             : args[0] == "--version"               ? "version"
                                                                    : args[0];
    auto it =
        std::find_if(verbs.begin(), verbs.end(), [&](const Verb& v) { return v.name == name; });
    if (it == verbs.end()) {
        std::fprintf(stderr, "zep-cli: unknown verb \"%s\"; zep-cli help lists the verbs\n",
                     args[0].c_str());
        return 2;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (AsksForHelp(rest)) {
        VerbUsage(*it);
        return 0;
    }
    try {
        return it->run(rest);
    } catch (const EUsageError& e) {
        console.ProgressDone();
        std::fprintf(stderr, "zep-cli %s: %s\n", it->name.c_str(), e.what());
        return 2;
    } catch (const std::exception& e) {
        console.ProgressDone();
        std::fprintf(stderr, "%s\n", AnsiToUtf8(e.what()).c_str());
        return 1;
    }
}

} // namespace zep::cli
