// Reader of the public TNTP road network format: network, demand, node coordinates (TNTP or
// GeoJSON points) and published link flows, into plain records for the importer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Exception.h"

namespace zep::files {

/// Malformed TNTP (or GeoJSON node) input. The message is "<file>:<line>: <what>".
ZEP_DECLARE_EXCEPTION(ETntpError, Exception);

/// What an import had to adapt to take a file as it is: one entry per kind, in the order the
/// kinds were first met, with the count and the first example ("<file>:<line>: <what>").
class TTntpNotes {
public:
    struct TEntry {
        std::string kind;
        std::size_t count = 0;
        std::string first;
    };
    /// Counts `cases` cases of `kind`; `example()` (a std::string) is called for the first only.
    template <typename F>
    void Add(std::string_view kind, std::string_view file, int line, F&& example,
             std::size_t cases = 1) {
        TEntry& e = Entry(kind);
        if (e.count == 0) e.first = Where(file, line) + example();
        e.count += cases;
    }
    const std::vector<TEntry>& Entries() const { return entries_; }
    /// One line per kind: "<kind>: <count>, first at <example>".
    std::vector<std::string> Lines() const;
    const TEntry* Find(std::string_view kind) const;

private:
    TEntry& Entry(std::string_view kind);
    static std::string Where(std::string_view file, int line);
    std::vector<TEntry> entries_;
};

/// One "<NAME> value" line of a file's metadata block, in file order.
struct TTntpTag {
    std::string name;  // without the angle brackets, upper case, single blanks
    std::string value; // trimmed
    int line = 0;
};

/// One directed link of a `*_net.tntp` file, in the file's units.
struct TTntpLink {
    std::int32_t init = 0;
    std::int32_t term = 0;
    double capacity = 0;
    double length = 0;
    double freeFlowTime = 0;
    double b = 0;
    double power = 0;
    double speed = 0;
    double toll = 0;
    std::int32_t linkType = 0;
    int line = 0;
};

/// A `*_net.tntp` file. The metadata announces nodes 1..nodes, of which 1..zones are the zones;
/// links may name further node numbers (the importer decides what they become).
struct TTntpNetwork {
    std::int32_t zones = 0;
    std::int32_t nodes = 0;
    std::int32_t firstThruNode = 1;
    std::vector<TTntpTag> metadata;
    std::vector<TTntpLink> links;
};

/// A node position: planar x/y, or longitude/latitude for GeoJSON input.
struct TTntpNode {
    std::int32_t id = 0;
    double x = 0;
    double y = 0;
    int line = 0;
};

/// One origin-destination entry of a `*_trips.tntp` file.
struct TTntpTrip {
    std::int32_t origin = 0;
    std::int32_t destination = 0;
    double flow = 0;
};

/// A `*_trips.tntp` file; entries in file order, zero flows included.
struct TTntpTrips {
    std::int32_t zones = 0;
    std::optional<double> declaredTotal; // <TOTAL OD FLOW>, when the file gives it
    std::vector<TTntpTag> metadata;
    std::vector<TTntpTrip> trips;
    /// Where the entries stand, kept apart so that entries stay 16 bytes (a large table holds
    /// millions): runs of consecutive lines that each hold `perLine` entries, but the last.
    struct TLineRun {
        std::size_t first = 0; // index of the run's first entry
        int line = 0;          // the line of that entry
        int perLine = 0;       // 0 while the run's first line is the only one
    };
    std::vector<TLineRun> lineRuns;

    /// The sum of all flows.
    double Total() const;
    /// The line of `trips[i]`.
    int LineOf(std::size_t i) const;
};

/// One line of a `*_flow.tntp` file: a link's equilibrium volume and cost.
struct TTntpFlow {
    std::int32_t from = 0;
    std::int32_t to = 0;
    double volume = 0;
    double cost = 0;
    int line = 0;
};

// The text readers take the files as the public collection writes them: a ";" at the end of a
// data line is optional, fields are separated by tabs or blanks, blank lines and "~" comment
// lines may come anywhere, lines end in LF, CR LF or CR, a leading byte order mark is skipped,
// metadata tags are read in any letter case, and numbers may be written in any ordinary
// notation (a node number or a count as "12", "+12", "12.0" or "1.2e1"). Adaptations of the
// data itself go to `notes` when given.

/// The defaults of the optional link columns: the traditional BPR b and power, no speed
/// limit, no toll, link type 1.
inline constexpr double kTntpDefaultB = 0.15;
inline constexpr double kTntpDefaultPower = 4;
inline constexpr std::int32_t kTntpDefaultLinkType = 1;

/// Parses a network file. Requires <NUMBER OF ZONES>, <NUMBER OF NODES> and <NUMBER OF LINKS>
/// (<FIRST THRU NODE> defaults to 1), then one link per line: init node, term node, capacity,
/// length and free-flow time, then optionally b, power, speed, toll and link type (missing
/// ones take the defaults above; columns after the tenth are ignored; both noted). Node
/// numbers are positive; fewer links than announced fail (the file may be cut short), more
/// are noted.
TTntpNetwork ParseTntpNetwork(std::string_view text, std::string_view fileName,
                              TTntpNotes* notes = nullptr);
/// Parses a demand file: "Origin N" blocks of "destination : flow[;]" entries, several to a
/// line. Zone numbers are positive (the importer checks them against the network); an origin
/// block or a destination within a block may appear once; flows are finite and not negative.
/// A <TOTAL OD FLOW> that the flows do not add up to is noted.
TTntpTrips ParseTntpTrips(std::string_view text, std::string_view fileName,
                          TTntpNotes* notes = nullptr);
/// Parses a node coordinate file: an optional heading line (its first field is not a number,
/// as in "Node X Y ;"), then "id x y [;]" lines; further columns are ignored (noted).
std::vector<TTntpNode> ParseTntpNodes(std::string_view text, std::string_view fileName,
                                      TTntpNotes* notes = nullptr);
/// Parses a GeoJSON FeatureCollection of Point features whose node number is the "id"
/// property (or the feature's "id"); x is the longitude, y the latitude.
std::vector<TTntpNode> ParseGeoJsonNodes(std::string_view text, std::string_view fileName);
/// Parses a flow file: an optional heading ("From To Volume Cost"), then from, to, volume and
/// optionally cost (0 when missing) per line; further columns are ignored (noted).
std::vector<TTntpFlow> ParseTntpFlows(std::string_view text, std::string_view fileName,
                                      TTntpNotes* notes = nullptr);

/// The same, reading the file at `path` (EFOpenError when it cannot be read). Messages name
/// the file as given.
TTntpNetwork ReadTntpNetwork(const std::string& path, TTntpNotes* notes = nullptr);
TTntpTrips ReadTntpTrips(const std::string& path, TTntpNotes* notes = nullptr);
std::vector<TTntpNode> ReadTntpNodes(const std::string& path, TTntpNotes* notes = nullptr);
std::vector<TTntpNode> ReadGeoJsonNodes(const std::string& path);
std::vector<TTntpFlow> ReadTntpFlows(const std::string& path, TTntpNotes* notes = nullptr);

} // namespace zep::files
