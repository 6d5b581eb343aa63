// zep-cli: the batch front end.
#include <string>
#include <vector>

#include "cli/Verbs.h"

int main(int argc, char** argv) {
    return zep::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc));
}
