// The verbs of zep-cli: one per headless capability.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "foundation/Exception.h"

namespace zep::cli {

/// A command line that does not fit its verb: exit status 2.
ZEP_DECLARE_EXCEPTION(EUsageError, Exception);

struct Verb {
    std::string name;
    std::string synopsis; // arguments, e.g. "PROJECT [--scenario S]"
    std::string summary;  // one line for `help`
    /// Runs the verb with the arguments after its name; returns the exit status.
    std::function<int(const std::vector<std::string>& args)> run;
};

/// Every verb, in the order `help` lists them (by their registration order key).
const std::vector<Verb>& AllVerbs();

/// Registers a verb at start-up: `static VerbRegistrar r(40, {"info", ...});` in the verb's own
/// source. `order` places it in the `help` list.
struct VerbRegistrar {
    VerbRegistrar(int order, Verb verb);
};

/// Runs zep-cli with its arguments (without the program name); returns the exit status:
/// 0 success, 1 the work failed (message on standard error), 2 usage error.
int RunCli(const std::vector<std::string>& args);

/// Small argument reader shared by the verbs: positional arguments and "--name value" options.
class ArgReader {
public:
    /// `flags` are options without a value (e.g. "--mif").
    ArgReader(const std::vector<std::string>& args, std::vector<std::string> valued,
              std::vector<std::string> flags = {});
    const std::vector<std::string>& Positional() const { return positional_; }
    bool Has(const std::string& option) const;
    std::string Value(const std::string& option, const std::string& fallback = "") const;
    /// Raises EUsageError unless there are between `min` and `max` positional arguments.
    void ExpectPositional(std::size_t min, std::size_t max, const std::string& synopsis) const;

private:
    std::vector<std::string> positional_;
    std::vector<std::pair<std::string, std::string>> options_;
};

} // namespace zep::cli
