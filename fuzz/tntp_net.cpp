// Arbitrary bytes through every TNTP text reader and, where they parse, the importer: records,
// a study or an ETntpError, never a crash, a hang or an unbounded allocation. The bytes are read
// whole by each reader, and also cut at form feeds into a network, a node and a trips file, so
// that the importer meets files that disagree with each other.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "files/TntpImport.h"
#include "files/TntpReader.h"
#include "model/Project.h"

namespace {

template <typename F> void Try(F&& f) {
    try {
        f();
    } catch (const zep::files::ETntpError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zep::files;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    TTntpNotes notes;
    Try([&] { ParseTntpNetwork(text, "fuzz_net.tntp", &notes); });
    Try([&] { ParseTntpTrips(text, "fuzz_trips.tntp", &notes).Total(); });
    Try([&] { ParseTntpNodes(text, "fuzz_node.tntp", &notes); });
    Try([&] { ParseTntpFlows(text, "fuzz_flow.tntp", &notes); });
    notes.Lines();

    std::vector<std::string_view> parts;
    for (std::size_t b = 0;;) {
        std::size_t e = text.find('\f', b);
        parts.push_back(text.substr(b, e == std::string_view::npos ? e : e - b));
        if (e == std::string_view::npos || parts.size() == 3) break;
        b = e + 1;
    }
    std::optional<TTntpNetwork> net;
    std::optional<std::vector<TTntpNode>> nodes;
    std::optional<TTntpTrips> trips;
    Try([&] { net = ParseTntpNetwork(parts[0], "n", &notes); });
    if (!net) return 0;
    if (parts.size() > 1) Try([&] { nodes = ParseTntpNodes(parts[1], "c", &notes); });
    if (parts.size() > 2) Try([&] { trips = ParseTntpTrips(parts[2], "t", &notes); });
    TTntpImportInput input;
    input.network = &*net;
    input.networkFile = "n";
    input.nodes = nodes ? &*nodes : nullptr;
    input.nodesFile = "c";
    input.trips = trips ? &*trips : nullptr;
    input.tripsFile = "t";
    input.notes = &notes;
    zep::model::TProject project;
    Try([&] { ImportTntp(project, input); });
    return 0;
}
