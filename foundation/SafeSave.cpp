#include "foundation/SafeSave.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "foundation/Format.h"
#include "foundation/ORVFiles.h"

namespace zep {

namespace fs = std::filesystem;

namespace {

// Saves in progress, for the signal handler: fixed slots of plain characters, so that the
// handler needs nothing but unlink.
constexpr int kSlots = 16;
constexpr std::size_t kPathMax = 4096;
struct TSlot {
    std::atomic<int> state{0}; // 0 free, 1 being filled, 2 holds a path
    char path[kPathMax];
};
TSlot gSlots[kSlots];

class TRegisteredTemp {
public:
    explicit TRegisteredTemp(const std::string& path) {
        if (path.empty() || path.size() >= kPathMax) return;
        for (int i = 0; i < kSlots; ++i) {
            int expected = 0;
            if (!gSlots[i].state.compare_exchange_strong(expected, 1)) continue;
            std::memcpy(gSlots[i].path, path.c_str(), path.size() + 1);
            gSlots[i].state.store(2);
            slot_ = i;
            return;
        }
    }
    ~TRegisteredTemp() {
        if (slot_ >= 0) gSlots[slot_].state.store(0);
    }
    TRegisteredTemp(const TRegisteredTemp&) = delete;
    TRegisteredTemp& operator=(const TRegisteredTemp&) = delete;

private:
    int slot_ = -1;
};

extern "C" void RemoveTempsAndExit(int signo) {
    for (TSlot& slot : gSlots)
        if (slot.state.load() == 2) ::unlink(slot.path);
    ::_exit(128 + signo);
}

// The temporary file, locked while this save writes it (so that another process's cleanup
// leaves it alone), and removed unless the save renamed it into place.
struct TTempFile {
    std::string name;
    int lockFd = -1;
    bool renamed = false;
    ~TTempFile() {
        if (!renamed && !name.empty()) ::unlink(name.c_str());
        if (lockFd >= 0) ::close(lockFd);
    }
};

void CreateLockedTemp(const std::string& target, TTempFile& temp) {
    // TempFileName only finds a free name; claiming it with O_EXCL keeps two savers apart.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TempFileName(target);
        const int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temp.name = std::move(name);
            temp.lockFd = fd;
            ::flock(fd, LOCK_EX | LOCK_NB);
            return;
        }
        if (errno != EEXIST)
            throw ECannotCreateTmpFile("Cannot create temporary file " + name + ": " +
                                       std::strerror(errno));
    }
    throw ECannotCreateTmpFile("Cannot create temporary file");
}

// Whether the file starts as one of our saves does: empty, gzip, a project file header (major
// version 5) or an XML study.
bool LooksLikeOurSave(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char head[6] = {};
    const ssize_t n = ::read(fd, head, sizeof head);
    ::close(fd);
    if (n == 0) return true;
    if (n >= 2 && static_cast<unsigned char>(head[0]) == 0x1F &&
        static_cast<unsigned char>(head[1]) == 0x8B)
        return true;
    if (n >= 2 && head[0] == 5 && head[1] == 0) return true;
    return n == 6 && std::memcmp(head, "<model", 6) == 0;
}

// Temporary files of saves that were interrupted (a crash, a kill): ours by name and content,
// and no process holds their lock any more.
void RemoveStaleTemps(const std::string& target) {
    std::error_code ec;
    fs::path dir = fs::absolute(fs::path(target), ec).parent_path();
    auto stale = [&](const fs::path& file) {
        if (!LooksLikeOurSave(file)) return false;
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool unlocked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
        return unlocked;
    };
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const bool ours =
            name.size() == 12 && name.rfind("_MM", 0) == 0 && name.compare(8, 4, ".TMP") == 0;
        if (ours && it->is_regular_file(ec) && stale(it->path())) fs::remove(it->path(), ec);
    }
    // Earlier builds wrote XML beside the target as NAME.part.
    const fs::path part = fs::path(target).string() + ".part";
    if (fs::is_regular_file(part, ec) && stale(part)) fs::remove(part, ec);
}

void SyncDirectory(const std::string& file) {
    fs::path dir = fs::path(file).parent_path();
    if (dir.empty()) dir = ".";
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The backup keeps the old file under the name MoveToBackup would give it, but as a second
// link (or a copy), so that the target name never disappears.
std::string KeepBackup(const std::string& fileName) {
    std::error_code ec;
    fs::path file(fileName);
    if (!fs::exists(file, ec)) return {};
    fs::path dir = file.parent_path();
    if (dir.empty()) dir = ".";
    fs::path backups = dir / "backups";
    fs::create_directories(backups, ec);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string today =
        Format("%4.4d-%2.2d-%2.2d", {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday});
    const std::string stem = file.stem().string(), ext = file.extension().string();
    for (int k = 1; k < 100000; ++k) {
        const std::string target =
            Format("%s/%s-%s-%3.3d%s", {backups.string(), stem, today, k, ext});
        if (::link(fileName.c_str(), target.c_str()) == 0) return target;
        if (errno == EEXIST) continue;
        // No hard links here (another file system, or none supported): copy, never
        // overwriting an older backup.
        if (fs::exists(fs::symlink_status(target, ec))) continue;
        if (fs::copy_file(file, target, fs::copy_options::none, ec) && !ec) return target;
        fs::remove(target, ec);
        throw ECouldNotRenameToBackup(
            Format("Could not move old version of %s to %s", {fileName, target}));
    }
    throw ECouldNotRenameToBackup(
        Format("Could not move old version of %s to %s", {fileName, backups.string()}));
}

} // namespace

std::string SafeSave(const std::string& fileName, const std::function<void(TFileStream&)>& write) {
    RemoveStaleTemps(fileName);
    TTempFile temp;
    CreateLockedTemp(fileName, temp);
    TRegisteredTemp registered(temp.name);
    {
        TFileStream file(temp.name, FileMode::OpenReadWrite);
        write(file);
        file.Sync();
    }
    const std::string backup = KeepBackup(fileName);
    if (::rename(temp.name.c_str(), fileName.c_str()) != 0)
        throw EInOutError("Could Not Rename Backup");
    temp.renamed = true;
    SyncDirectory(fileName);
    return backup;
}

void InstallSaveInterruptCleanup() {
    struct sigaction action {};
    action.sa_handler = RemoveTempsAndExit;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace zep
