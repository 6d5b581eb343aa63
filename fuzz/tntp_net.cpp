// Arbitrary bytes through every TNTP text reader: records or an ETntpError, never a crash, a
// hang or an unbounded allocation.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/TntpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    zep::files::TTntpNetwork net;
    bool haveNet = false;
    try {
        net = zep::files::ParseTntpNetwork(text, "fuzz_net.tntp");
        haveNet = true;
    } catch (const zep::files::ETntpError&) {
    }
    try {
        zep::files::ParseTntpTrips(text, "fuzz_trips.tntp").Total();
    } catch (const zep::files::ETntpError&) {
    }
    try {
        auto nodes = zep::files::ParseTntpNodes(text, "fuzz_node.tntp");
        if (haveNet) zep::files::CheckTntpNodes(net, nodes, "fuzz_node.tntp");
    } catch (const zep::files::ETntpError&) {
    }
    try {
        zep::files::ParseTntpFlows(text, "fuzz_flow.tntp");
    } catch (const zep::files::ETntpError&) {
    }
    return 0;
}
