#include "analysis/PathFileSet.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <unordered_set>

#include "foundation/ORVFiles.h"
#include "foundation/ORVGZipStreams.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/Mode.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::analysis::paths {

using namespace zep::model;

namespace {

void ReportReadError(const std::string& reason) {
    ShowError(std::string("Error Reading Nodes") + ":\n" + reason);
}

bool IsGZip(const std::string& fileName) {
    TFileStream f(fileName, FileMode::OpenRead);
    unsigned char magic[2] = {0, 0};
    return f.Read(magic, 2) == 2 && magic[0] == 0x1F && magic[1] == 0x8B;
}

} // namespace

// ---- the file -----------------------------------------------------------------------------------

TPathFile::TPathFile(std::string fileName, const TProject& project, const TScenario* scenario,
                     int modeIndex, int bufferedPaths)
    : fileName_(std::move(fileName)), project_(project), scenario_(scenario), modeIndex_(modeIndex),
      bufferedPaths_(std::max(bufferedPaths, 2)) {}

void TPathFile::EnsureLoaded() {
    if (cache_) return;
    cache_ = std::make_unique<TMatPasCache>(project_.TransportZones().Count());
    cache_->modeIndex = modeIndex_;
    cache_->scenario = scenario_;
    cache_->loaded = true;
    struct TEnd {
        ~TEnd() { EndProgress(); }
    } end;
    try {
        // The plain file is read directly, a compressed one through the gzip reader; the bytes
        // tell which, whatever the name.
        const bool compressed = IsGZip(fileName_);
        TFileStream file(fileName_, FileMode::OpenRead);
        if (compressed) {
            TGUnzipStream gz(file);
            ReadPathFile(gz, *cache_);
        } else {
            ReadPathFile(file, *cache_);
        }
    } catch (const EPathFileTruncated&) {
        readFailed_ = true;
        ReportReadError("File may be truncated");
    } catch (const EInvalidFormat& e) {
        readFailed_ = true;
        ReportReadError(e.Message());
    } catch (const EStreamError& e) {
        readFailed_ = true;
        ReportReadError(e.Message());
    } catch (const EGZipError& e) {
        // A damaged compressed file is an input error like any other: the pairs before the
        // damage stay readable.
        readFailed_ = true;
        ReportReadError(e.Message());
    }
}

std::shared_ptr<TPathSet> TPathFile::BuildSet(std::int32_t origin, std::int32_t destination) {
    auto set = std::make_shared<TPathSet>();
    set->modeIndex = modeIndex_;
    set->originIndex = origin;
    set->destinationIndex = destination;
    set->project = &project_;
    set->scenario = scenario_;
    const auto zones = static_cast<std::int32_t>(project_.TransportZones().Count());
    if (origin == destination || origin < 0 || destination < 0 || origin >= zones ||
        destination >= zones)
        return set;
    EnsureLoaded();
    const TCachedMatPas& pair = cache_->Pair(std::size_t(origin), std::size_t(destination));
    const TLinkRouteList& lrs = project_.LinkRoutes();
    const auto lrCount = static_cast<std::int64_t>(lrs.Count());
    for (std::size_t i = 0; i < pair.size(); ++i) {
        const TCachedPath& cp = pair[i];
        auto path = std::make_unique<TPath>();
        path->modeIndex = modeIndex_;
        path->originIndex = origin;
        path->destinationIndex = destination;
        path->number = static_cast<std::int32_t>(i + 1);
        path->scenario = scenario_;
        path->turnDelay = cp.turnDelay;
        for (std::size_t k = 0; k < cp.StepCount(); ++k) {
            const std::int64_t n = cp.LinkRouteNumber(k);
            const std::int64_t m = n < 0 ? -n : n;
            if (n == 0 || m > lrCount) {
                set->mismatch = true;
                continue;
            }
            path->steps.push_back(
                TPathNode{lrs.Get(std::size_t(m - 1)), n < 0, false, cp.Weight(k)});
        }
        set->paths.push_back(std::move(path));
    }
    return set;
}

std::shared_ptr<TPathSet> TPathFile::GetSet(std::int32_t origin, std::int32_t destination) {
    for (auto it = recent_.rbegin(); it != recent_.rend(); ++it)
        if ((*it)->originIndex == origin && (*it)->destinationIndex == destination) {
            std::shared_ptr<TPathSet> hit = *it;
            recent_.erase(std::next(it).base());
            recent_.push_back(hit);
            return hit;
        }
    recent_.push_back(BuildSet(origin, destination));
    std::shared_ptr<TPathSet> set = recent_.back();
    while (recent_.size() > std::size_t(bufferedPaths_))
        recent_.pop_front();
    return set;
}

std::vector<TPathRef> TPathFile::PathsUsingLink(const TLink* link) {
    std::vector<TPathRef> found;
    if (!link) return found;
    EnsureLoaded();
    std::unordered_set<std::int64_t> numbers;
    const TLinkRouteList& lrs = project_.LinkRoutes();
    for (TZEPPersistent* item : link->LinkRoutes().Items()) {
        const std::ptrdiff_t i = lrs.IndexOf(item);
        if (i >= 0) numbers.insert(i + 1);
    }
    const std::size_t z = cache_->ZoneCount();
    for (std::size_t o = 0; o < z; ++o)
        for (std::size_t d = 0; d < z; ++d) {
            if (o == d) continue;
            const TCachedMatPas& pair = cache_->Pair(o, d);
            for (std::size_t p = 0; p < pair.size(); ++p)
                for (std::size_t k = 0; k < pair[p].StepCount(); ++k) {
                    const std::int64_t n = pair[p].LinkRouteNumber(k);
                    if (numbers.count(n < 0 ? -n : n)) {
                        found.push_back({std::int32_t(o), std::int32_t(d), std::int32_t(p + 1)});
                        break;
                    }
                }
        }
    return found;
}

// ---- the display state --------------------------------------------------------------------------

TPathFileSet::TPathFileSet(const TProject& project, const TScenario* scenario)
    : project_(project), scenario_(scenario) {}

int TPathFileSet::ZoneCount() const {
    return int(project_.TransportZones().Count());
}
int TPathFileSet::ModeCount() const {
    return int(project_.Modes().Count());
}

bool TPathFileSet::ModeHasFile(int mode) const {
    return mode >= 0 && mode < 40 && mode < ModeCount() && HasPathFile(project_, scenario_, mode);
}

void TPathFileSet::OpenFile() {
    file_.reset();
    if (!ModeHasFile(mode_)) return;
    std::string name = PathFileName(project_, scenario_, mode_);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec))
        name = PathFileName(project_, scenario_, mode_, true);
    file_ = std::make_unique<TPathFile>(name, project_, scenario_, mode_, BufferedPathsSetting());
}

void TPathFileSet::Notify(const TPath* leaving, const TPath* coming) {
    for (const TObserver& o : observers_)
        o(leaving, coming);
}

void TPathFileSet::Select(int mode, int origin, int pathIndex, int destination) {
    DoSelect(mode, origin, pathIndex, destination, true);
}
void TPathFileSet::SetMode(int mode) {
    DoSelect(mode, origin_, pathIndex_, destination_, false);
}
void TPathFileSet::SetOrigin(int origin) {
    DoSelect(mode_, origin, pathIndex_, destination_, false);
}
void TPathFileSet::SetDestination(int destination) {
    DoSelect(mode_, origin_, pathIndex_, destination, false);
}
void TPathFileSet::SetPathIndex(int pathIndex) {
    DoSelect(mode_, origin_, pathIndex, destination_, true);
}

void TPathFileSet::Reselect() {
    // The model may have rewritten the file: read it afresh.
    file_.reset();
    set_.reset();
    reverseSet_.reset();
    const TPath* old = path_;
    path_ = nullptr;
    Notify(old, nullptr);
    DoSelect(mode_, origin_, pathIndex_, destination_, true);
}

void TPathFileSet::DoSelect(int a, int o, int k, int t, bool explicitIndex) {
    const int zones = ZoneCount();
    a = std::clamp(a, 0, std::max(ModeCount() - 1, 0));
    o = std::clamp(o, 0, std::max(zones - 1, 0));
    t = std::clamp(t, 0, std::max(zones - 1, 0));
    if (zones > 0 && t == o) t = (t + 1) % zones;
    if (!ModeHasFile(a))
        for (int m = 0; m < std::min(ModeCount(), 40); ++m)
            if (ModeHasFile(m)) {
                a = m;
                break;
            }

    TPath* old = path_;
    bool leavingTold = false;
    if (k != pathIndex_) {
        pathIndex_ = k;
        path_ = nullptr;
    }
    if (a != mode_ || !file_) {
        mode_ = a;
        set_.reset();
        reverseSet_.reset();
        path_ = nullptr;
        pathIndex_ = 0;
        Notify(old, nullptr);
        leavingTold = true;
        OpenFile();
    }
    if (o != origin_ || t != destination_) {
        const bool swap = o == destination_ && t == origin_;
        set_.reset();
        path_ = nullptr;
        if (!swap) pathIndex_ = 0;
    }
    origin_ = o;
    destination_ = t;
    if (!set_ && file_) set_ = file_->GetSet(o, t);
    if (!file_ || !set_) {
        pathIndex_ = 0;
        path_ = nullptr;
    } else if (!path_) {
        const int count = static_cast<int>(set_->Count());
        pathIndex_ = std::clamp(explicitIndex ? k : pathIndex_, 0, std::max(count - 1, 0));
        path_ = set_->Get(std::size_t(pathIndex_));
    }
    if (path_ != old) Notify(leavingTold ? nullptr : old, path_);
}

void TPathFileSet::NextPath() {
    if (!file_) OpenFile();
    if (!file_) return;
    if (set_ && pathIndex_ < static_cast<int>(set_->Count()) - 1) {
        DoSelect(mode_, origin_, pathIndex_ + 1, destination_, true);
        return;
    }
    const int zones = ZoneCount();
    int o = origin_, d = destination_ + 1;
    if (d == o) ++d;
    if (d >= zones) {
        ++o;
        d = 0;
        if (o >= zones) {
            o = 0;
            d = 1;
        }
    }
    DoSelect(mode_, o, 0, d, true);
}

void TPathFileSet::PreviousPath() {
    if (pathIndex_ > 0) {
        DoSelect(mode_, origin_, pathIndex_ - 1, destination_, true);
        return;
    }
    int o = origin_, d = destination_ - 1;
    if (d == o) --d;
    if (d < 0) {
        if (--o < 0) return;
        d = ZoneCount() - 1;
        if (d == o) --d;
        if (d < 0) return;
    }
    // The largest index: the selection clamps it to the pair's last path.
    DoSelect(mode_, o, INT_MAX, d, true);
}

TPath* TPathFileSet::ReversePath() {
    if (!file_) return nullptr;
    reverseSet_ = file_->GetSet(destination_, origin_);
    return reverseSet_->Get(std::size_t(std::max(pathIndex_, 0)));
}

std::vector<TPathRef> TPathFileSet::PathsUsingLink(const TLink* link) {
    if (!file_) OpenFile();
    return file_ ? file_->PathsUsingLink(link) : std::vector<TPathRef>{};
}

} // namespace zep::analysis::paths
