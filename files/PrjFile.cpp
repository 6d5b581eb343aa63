#include "files/PrjFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>

#include "foundation/Format.h"
#include "foundation/ORVGZipStreams.h"

namespace zep::files {

namespace fs = std::filesystem;

std::string TFileVersion::Text() const {
    return Format("%d.%d.%d", {int(major), int(minor), int(release)});
}

namespace {

std::map<std::string, TProjectFileHooks>& HookTable() {
    static std::map<std::string, TProjectFileHooks> table;
    return table;
}

bool EndsWithNoCase(const std::string& s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           SameText(std::string_view(s).substr(s.size() - suffix.size()), suffix);
}

// Closes and removes the temporary file unless the save got as far as renaming it.
struct TempFileGuard {
    std::string name;
    bool keep = false;
    ~TempFileGuard() {
        if (!keep && !name.empty()) ::unlink(name.c_str());
    }
};

std::string CreateTempFile(const std::string& target) {
    // TempFileName only finds a free name; claiming it with O_EXCL keeps two savers apart.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TempFileName(target);
        const int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            throw ECannotCreateTmpFile("Cannot create temporary file " + name + ": " +
                                       std::strerror(errno));
    }
    throw ECannotCreateTmpFile("Cannot create temporary file");
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
            Format("Could move old version of %s to %s", {fileName, target}));
    }
    throw ECouldNotRenameToBackup(
        Format("Could move old version of %s to %s", {fileName, backups.string()}));
}

} // namespace

void RegisterProjectFileHooks(const std::string& className, TProjectFileHooks hooks) {
    HookTable()[className] = std::move(hooks);
}

const TProjectFileHooks& ProjectFileHooks(const TZEPPersistent& project) {
    static const TProjectFileHooks none;
    auto it = HookTable().find(project.ClassName());
    return it == HookTable().end() ? none : it->second;
}

TFileVersion PrepareStore(TZEPPersistent& project) {
    const TProjectFileHooks& hooks = ProjectFileHooks(project);
    return hooks.prepareStore ? hooks.prepareStore(project) : kVersionPlain;
}

void StoreProject(TStream& out, TZEPPersistent& project) {
    const TFileVersion v = PrepareStore(project);
    const std::uint16_t header[3] = {v.major, v.minor, v.release};
    out.WriteBuffer(header, sizeof header);
    TObjectWriter writer;
    writer.StoreStream(out, project);
}

void LoadProject(TStream& in, TZEPPersistent& project, const std::string& fileName) {
    std::uint16_t header[3];
    in.ReadBuffer(header, sizeof header);
    const TFileVersion v{header[0], header[1], header[2]};
    const TProjectFileHooks& hooks = ProjectFileHooks(project);
    const bool atLeast68 = v.major > 6 || (v.major == 6 && v.minor >= 8);
    if (atLeast68) {
        if (!hooks.readModelFile)
            throw EInvalidFormat("Model network files cannot be read into a " +
                                 std::string(project.ClassName()));
        hooks.readModelFile(project, in, fileName);
        return;
    }
    if (v.major != 5 || (v.minor != 0 && v.minor != 7))
        throw EInvalidFormat(Format("Incorrect file version %s. Expected %s\n",
                                    {v.Text(), kVersionExpected.Text()}));
    TObjectReader reader;
    reader.LoadStream(in, project, hooks.projectOf ? hooks.projectOf(project) : nullptr);
    if (hooks.adoptOrphans) hooks.adoptOrphans(project, reader.TakeOrphans());
    if (hooks.afterLoad) hooks.afterLoad(project);
}

bool IsCompressedProjectName(const std::string& fileName) {
    return !fileName.empty() && (fileName.back() == 'z' || fileName.back() == 'Z');
}

bool IsXmlProjectName(const std::string& fileName) {
    return EndsWithNoCase(fileName, ".xml") || EndsWithNoCase(fileName, ".xmlz");
}

std::string SaveProjectFile(const std::string& fileName, TZEPPersistent& project) {
    TempFileGuard temp;
    temp.name = CreateTempFile(fileName);
    {
        TFileStream file(temp.name, FileMode::OpenReadWrite);
        if (IsCompressedProjectName(fileName)) {
            TGZipStream gz(file, 0);
            gz.SetFileName(fs::path(fileName).filename().string());
            StoreProject(gz, project);
            gz.Finish();
        } else {
            StoreProject(file, project);
        }
        file.Sync();
    }
    const std::string backup = KeepBackup(fileName);
    if (::rename(temp.name.c_str(), fileName.c_str()) != 0)
        throw EInOutError("Could Not Rename Backup");
    temp.keep = true;
    SyncDirectory(fileName);
    const TProjectFileHooks& hooks = ProjectFileHooks(project);
    if (hooks.setFileName) hooks.setFileName(project, fileName);
    return backup;
}

std::string ReadProjectImage(const std::string& fileName) {
    TFileStream file(fileName, FileMode::OpenRead);
    unsigned char magic[2] = {0, 0};
    const std::size_t got = file.Read(magic, 2);
    file.SetPosition(0);
    if (got == 2 && magic[0] == 0x1F && magic[1] == 0x8B) {
        TGUnzipStream gz(file);
        return gz.ReadAll();
    }
    return file.ReadAll();
}

void OpenProjectFile(const std::string& fileName, TZEPPersistent& project) {
    const TProjectFileHooks& hooks = ProjectFileHooks(project);
    if (IsXmlProjectName(fileName)) {
        if (!hooks.readXml)
            throw EInvalidFormat("XML project files cannot be read yet: " + fileName);
        hooks.readXml(project, fileName);
    } else {
        TMemoryStream image(ReadProjectImage(fileName));
        LoadProject(image, project, fileName);
    }
    if (hooks.setFileName) hooks.setFileName(project, fileName);
}

} // namespace zep::files
