// An open path file with its cache and recently used sets, and the display state of paths:
// which mode, pair and path is current, and stepping through them.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/PATH.h"
#include "analysis/PathFile.h"

namespace zep::model {
class TLink;
} // namespace zep::model

namespace zep::analysis::paths {

/// A path of the file named by its pair and 1-based number.
struct TPathRef {
    std::int32_t origin;
    std::int32_t destination;
    std::int32_t number;
};

/// One mode's path file of a scenario: read whole into a cache on the first request for a pair
/// that is not among the recently used sets.
class TPathFile {
public:
    /// `bufferedPaths` bounds the recently used sets (at least 2: a path and its reverse).
    TPathFile(std::string fileName, const model::TProject& project,
              const model::TScenario* scenario, int modeIndex, int bufferedPaths);

    const std::string& FileName() const { return fileName_; }
    int ModeIndex() const { return modeIndex_; }
    int BufferedPaths() const { return bufferedPaths_; }

    /// The set of pair (o, d): from the recently used sets, else built from the cache (loaded
    /// when needed), else empty.
    std::shared_ptr<TPathSet> GetSet(std::int32_t origin, std::int32_t destination);
    /// Reads the file into the cache unless done; read errors are shown through the message
    /// handler as "Error Reading Nodes:\n" and the reason, keeping what was read.
    void EnsureLoaded();
    const TMatPasCache& Cache() {
        EnsureLoaded();
        return *cache_;
    }
    /// Whether loading reported an error.
    bool ReadFailed() const { return readFailed_; }
    std::size_t RecentCount() const { return recent_.size(); }
    /// Every path of every ordered pair with a step on a link-route of `link`, origin-major.
    std::vector<TPathRef> PathsUsingLink(const model::TLink* link);

private:
    std::shared_ptr<TPathSet> BuildSet(std::int32_t origin, std::int32_t destination);

    std::string fileName_;
    const model::TProject& project_;
    const model::TScenario* scenario_;
    int modeIndex_;
    int bufferedPaths_;
    std::unique_ptr<TMatPasCache> cache_;
    bool readFailed_ = false;
    std::deque<std::shared_ptr<TPathSet>> recent_; // most recent last
};

/// Which path of which pair and mode is shown. Select is the one operation that changes it.
class TPathFileSet {
public:
    /// Told of the path that stops being current and of the new current path (either may be
    /// nullptr).
    using TObserver = std::function<void(const TPath* leaving, const TPath* coming)>;

    TPathFileSet(const model::TProject& project, const model::TScenario* scenario);

    /// Makes (mode, origin, path index, destination) current as far as the files allow. The
    /// path index given here wins over the reset a change of pair or mode makes.
    void Select(int mode, int origin, int pathIndex, int destination);
    void SetMode(int mode);
    void SetOrigin(int origin);
    void SetDestination(int destination);
    void SetPathIndex(int pathIndex);
    void NextPath();
    void PreviousPath();
    void Reselect();

    int Mode() const { return mode_; }
    int Origin() const { return origin_; }
    int Destination() const { return destination_; }
    int PathIndex() const { return pathIndex_; }
    const std::shared_ptr<TPathSet>& CurrentSet() const { return set_; }
    TPath* CurrentPath() const { return path_; }
    /// The path with the same index in the set of (destination, origin), or nullptr.
    TPath* ReversePath();
    std::size_t PathCount() const { return set_ ? set_->Count() : 0; }
    std::vector<TPathRef> PathsUsingLink(const model::TLink* link);
    TPathFile* File() const { return file_.get(); }
    /// Mode positions (0..39) that have a path file.
    bool ModeHasFile(int mode) const;

    void AddObserver(TObserver observer) { observers_.push_back(std::move(observer)); }

private:
    void DoSelect(int mode, int origin, int pathIndex, int destination, bool explicitIndex);
    void OpenFile();
    void Notify(const TPath* leaving, const TPath* coming);
    int ZoneCount() const;
    int ModeCount() const;

    const model::TProject& project_;
    const model::TScenario* scenario_;
    int mode_ = 0;
    int origin_ = 0;
    int destination_ = 1;
    int pathIndex_ = 0;
    std::unique_ptr<TPathFile> file_;
    std::shared_ptr<TPathSet> set_;
    std::shared_ptr<TPathSet> reverseSet_; // keeps the reverse path alive while shown
    TPath* path_ = nullptr;
    std::vector<TObserver> observers_;
};

} // namespace zep::analysis::paths
