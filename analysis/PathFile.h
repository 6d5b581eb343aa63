// The path files of the model's path-building program: their names, their binary format (read
// into a whole-file cache, and written), and the setting that sizes the recently used sets.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/Stream.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::analysis::paths {

/// Reading went past the end of the file (shown as "File may be truncated").
ZEP_DECLARE_EXCEPTION(EPathFileTruncated, Exception);

/// The path file of mode position `modeIndex` (0-based) in `scenario`: the project file's
/// directory, the first three characters of the project's name, the scenario's trimmed name,
/// ".P", modeIndex + 1 and "S". The compressed name ends in "Z" instead of "S" (any case), or
/// has ".gz" appended when the name does not end in "S".
std::string PathFileName(const model::TProject& project, const model::TScenario* scenario,
                         int modeIndex, bool compressed = false);
/// Whether the plain or the compressed path file of the mode exists.
bool HasPathFile(const model::TProject& project, const model::TScenario* scenario, int modeIndex);

/// The settings file: "KIV.INI" beside the model's "VARDEN.ini", in $XDG_CONFIG_HOME/Okkerwald
/// (~/.config/Okkerwald when unset).
std::string SettingsFileName();
/// An integer of an INI file (sections and keys case-insensitive); `fallback` when the file,
/// the key or a number is missing.
int ReadIniInteger(const std::string& file, const std::string& section, const std::string& key,
                   int fallback);
/// The "BufferedPaths" setting of section "Paths" (64 when unset).
int BufferedPathsSetting();

/// One path as stored: its turn delay and the raw steps (5 bytes each: a 32-bit link-route
/// number, negative when reversed, and an 8-bit overlap weight).
struct TCachedPath {
    float turnDelay = 0;
    std::vector<std::uint8_t> steps;
    std::size_t StepCount() const { return steps.size() / 5; }
    std::int32_t LinkRouteNumber(std::size_t i) const;
    std::uint8_t Weight(std::size_t i) const { return steps[i * 5 + 4]; }
};

/// The paths of one origin-destination pair, in file order.
using TCachedMatPas = std::vector<TCachedPath>;

/// A whole path file in memory: per origin zone, per destination zone, its paths. Pairs the
/// reading did not reach (or the diagonal) hold none.
class TMatPasCache {
public:
    explicit TMatPasCache(std::size_t zoneCount = 0);
    std::size_t ZoneCount() const { return zoneCount_; }
    const TCachedMatPas& Pair(std::size_t origin, std::size_t destination) const {
        return pairs_[origin * zoneCount_ + destination];
    }
    TCachedMatPas& Pair(std::size_t origin, std::size_t destination) {
        return pairs_[origin * zoneCount_ + destination];
    }
    std::size_t PairsRead() const { return pairsRead_; }
    void SetPairsRead(std::size_t n) { pairsRead_ = n; }

    bool loaded = false;
    int modeIndex = 0;
    const model::TScenario* scenario = nullptr;

private:
    std::size_t zoneCount_;
    std::vector<TCachedMatPas> pairs_;
    std::size_t pairsRead_ = 0;
};

/// Reads a path file into `cache` (sized for the project's zone count), reporting progress
/// "Reading Paths". A failed check raises EInvalidFormat (the node count check with the message
/// " ", the others with an empty one); reading past the end raises EPathFileTruncated; stream
/// errors pass through. Whatever was read before an error stays in the cache.
void ReadPathFile(TStream& in, TMatPasCache& cache);

/// What a path file holds, for writing one.
struct TPathFileContent {
    std::string fileTag = "PATHS "; ///< 6 bytes (padded or cut)
    std::int32_t headerValue1 = 0;
    std::string tag = "V01"; ///< 3 bytes
    std::int32_t headerValue2 = 0;
    struct TNodeRecord {
        std::int32_t value1 = 0;
        std::int32_t value2 = 0;
        std::vector<std::int32_t> values;
    };
    std::vector<TNodeRecord> nodes;
    struct TStep {
        std::int32_t linkRoute; ///< position + 1 in the project's link-routes; negative: reversed
        std::uint8_t weight = 1;
    };
    struct TPathRecord {
        float turnDelay = 0;
        std::vector<TStep> steps;
    };
    std::size_t zoneCount = 0;
    /// Paths of pair (o, d) at o * zoneCount + d; the diagonal is not written.
    std::vector<std::vector<TPathRecord>> pairs;

    explicit TPathFileContent(std::size_t zones = 0) : zoneCount(zones), pairs(zones * zones) {}
    std::vector<TPathRecord>& Pair(std::size_t o, std::size_t d) {
        return pairs[o * zoneCount + d];
    }
};

/// Writes the content in the path file format. A pair with more than 32767 paths or a path with
/// more than 32767 steps raises std::length_error (the counts are 16-bit).
void WritePathFile(TStream& out, const TPathFileContent& content);

} // namespace zep::analysis::paths
