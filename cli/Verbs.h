// The verbs of zep-cli: one per headless capability.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Exception.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::cli {

/// A command line that does not fit its verb: exit status 2.
ZEP_DECLARE_EXCEPTION(EUsageError, Exception);

struct Verb {
    std::string name;
    std::string synopsis; // arguments, e.g. "PROJECT [--scenario S]"
    std::string summary;  // one line for `help`
    /// Runs the verb with the arguments after its name; returns the exit status.
    std::function<int(const std::vector<std::string>& args)> run;
    /// More for `zep-cli VERB --help`: options, outputs, exit statuses (may be empty).
    std::string details = {};
};

/// Every verb, in the order `help` lists them (by their registration order key).
const std::vector<Verb>& AllVerbs();

/// Registers a verb at start-up: `static VerbRegistrar r(40, {"info", ...});` in the verb's own
/// source. `order` places it in the `help` list.
struct VerbRegistrar {
    VerbRegistrar(int order, Verb verb);
};

/// Runs zep-cli with its arguments (without the program name); returns the exit status:
/// 0 success, 1 the work failed (message on standard error), 2 usage error. `VERB -h` or
/// `VERB --help` prints the verb's own usage instead of running it.
int RunCli(const std::vector<std::string>& args);

/// Frees a study, unless the process said it ends after its verb: then the study is left to
/// the system, which takes the whole address space back at once, instead of tearing down
/// millions of objects one by one only to exit. In-process callers (tests) always free.
struct TStudyDeleter {
    void operator()(model::TProject* project) const;
};
using TStudy = std::unique_ptr<model::TProject, TStudyDeleter>;
/// Called by zep-cli's main: studies of this process are left to its exit.
void LeaveStudiesToProcessExit();

/// Opens a study of any form with its link courses attached from its geometry file.
TStudy OpenStudy(const std::string& fileName);
/// Saves a study in the form its name asks for, and its link courses to the geometry file.
void SaveStudy(const std::string& fileName, model::TProject& project);

/// The scenario of that name; an unknown name fails with a message that lists the study's
/// scenarios.
model::TScenario* ScenarioByName(model::TProject& project, const std::string& name);
/// The study's scenario names in scenario order, separated by ", ".
std::string ScenarioNames(model::TProject& project);

/// The four numbers of a "--rect X1,Y1,X2,Y2" option (finite); anything else is a usage error.
std::array<double, 4> ParseRectOption(const std::string& text);

/// The project forms an output file name may ask for, by extension.
enum class TOutputForm { Native, Xml };
/// The form a project output named `fileName` is written in; an unknown extension is a usage
/// error that lists the known ones. "-" is refused unless `allowStdout` (it then means XML on
/// standard output).
TOutputForm ProjectOutputForm(const std::string& fileName, bool allowStdout = false);

/// Small argument reader shared by the verbs: positional arguments and "--name value" options.
class ArgReader {
public:
    /// `flags` are options without a value (e.g. "--mif").
    ArgReader(const std::vector<std::string>& args, std::vector<std::string> valued,
              std::vector<std::string> flags = {});
    const std::vector<std::string>& Positional() const { return positional_; }
    bool Has(const std::string& option) const;
    std::string Value(const std::string& option, const std::string& fallback = "") const;
    /// Every value of an option that may be given more than once, in order.
    std::vector<std::string> Values(const std::string& option) const;
    /// Raises EUsageError unless there are between `min` and `max` positional arguments.
    void ExpectPositional(std::size_t min, std::size_t max, const std::string& synopsis) const;

private:
    std::vector<std::string> positional_;
    std::vector<std::pair<std::string, std::string>> options_;
};

} // namespace zep::cli
