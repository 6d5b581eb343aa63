#include "foundation/ORVFiles.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/Stream.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "foundation/Format.h"

namespace zep {
namespace fs = std::filesystem;

std::string TempFileName(const std::string& pathOrFile) {
    std::string given = Trim(pathOrFile);
    if (given.empty()) {
        for (const char* var : {"TMP", "TEMP", "TMPDIR"}) {
            const char* v = std::getenv(var);
            if (v != nullptr && *v != '\0') {
                given = v;
                break;
            }
        }
        if (given.empty()) given = "/tmp";
    }
    std::error_code ec;
    fs::path full = fs::absolute(fs::path(given), ec).lexically_normal();
    std::string dir = full.string();
    if (!fs::is_directory(full, ec)) {
        dir = full.parent_path().string();
        if (!fs::is_directory(dir, ec)) throw EInvalidPath("Invalid Path: " + dir);
    }
    if (dir.empty() || dir.back() != '/') dir += '/';
    for (std::int64_t i = 0; i < (std::int64_t{1} << 31); ++i) {
        std::string name = dir + "_MM" + Format("%5.5x", {i}) + ".TMP";
        if (!fs::exists(fs::symlink_status(name, ec))) return name;
    }
    throw ECannotCreateTmpFile("Cannot create temporary file");
}

std::string MoveToBackup(const std::string& fileName) {
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
    std::string today =
        Format("%4.4d-%2.2d-%2.2d", {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday});
    std::string stem = file.stem().string(), ext = file.extension().string();
    std::string target;
    for (int k = 1;; ++k) {
        target = Format("%s/%s-%s-%3.3d%s", {backups.string(), stem, today, k, ext});
        if (!fs::exists(fs::symlink_status(target, ec))) break;
    }

    fs::rename(file, target, ec);
    if (!ec) return target;
    // Renaming fails across file systems; a copy that refuses to overwrite keeps the old
    // backups safe.
    if (!fs::copy_file(file, target, fs::copy_options::none, ec) || ec)
        throw ECouldNotRenameToBackup(
            Format("Could not move old version of %s to %s", {fileName, target}));
    if (!fs::remove(file, ec) || ec)
        throw ECouldNotRenameToBackup(Format("Delete old file %s", {fileName}));
    return target;
}

TReplacingFileWriter::TReplacingFileWriter(const std::string& path)
    : path_(path), tmpName_(path + ".XXXXXX") {
    struct stat st {};
    const bool existed = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (existed && ::access(path.c_str(), W_OK) != 0)
        throw EFCreateError("Cannot create file \"" + path + "\". " + std::strerror(errno));
    const int fd = ::mkstemp(tmpName_.data());
    if (fd < 0) throw EFCreateError("Cannot create file \"" + path + "\". " + std::strerror(errno));
    ::close(fd);
    try {
        // mkstemp creates the file private; give it the mode the old file had, or the one a
        // newly created file would get.
        mode_t mode;
        if (existed) {
            mode = st.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        ::chmod(tmpName_.c_str(), mode);
        file_ = std::make_unique<TFileStream>(tmpName_, FileMode::OpenReadWrite);
    } catch (...) {
        ::unlink(tmpName_.c_str());
        throw;
    }
}

TReplacingFileWriter::~TReplacingFileWriter() {
    if (tmpName_.empty()) return;
    file_.reset();
    ::unlink(tmpName_.c_str());
}

namespace {
constexpr std::size_t kWriteBuffer = 1 << 20;
} // namespace

void TReplacingFileWriter::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kWriteBuffer) {
        Flush();
        if (bytes.size() > kWriteBuffer) {
            file_->WriteBuffer(bytes.data(), bytes.size());
            return;
        }
    }
    if (buffer_.capacity() < kWriteBuffer) buffer_.reserve(kWriteBuffer);
    buffer_.append(bytes);
}

void TReplacingFileWriter::Flush() {
    if (!buffer_.empty()) file_->WriteBuffer(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void TReplacingFileWriter::Commit() {
    Flush();
    file_.reset();
    if (::rename(tmpName_.c_str(), path_.c_str()) != 0)
        throw EFCreateError("Cannot create file \"" + path_ + "\". " + std::strerror(errno));
    tmpName_.clear();
}

void ReplaceFileContent(const std::string& path, const std::string& content) {
    TReplacingFileWriter out(path);
    out.Write(content);
    out.Commit();
}

bool SaveTextLines(const std::string& path, const std::vector<std::string>& lines,
                   bool onlyIfChanged) {
    if (!onlyIfChanged) {
        TReplacingFileWriter out(path);
        for (const std::string& line : lines)
            out.Line(line);
        out.Commit();
        return true;
    }
    std::string content;
    std::size_t bytes = 0;
    for (const std::string& line : lines)
        bytes += line.size() + 2;
    content.reserve(bytes);
    for (const std::string& line : lines) {
        content += line;
        content += "\r\n";
    }
    {
        TMemoryStream old;
        bool same = false;
        try {
            old.LoadFromFile(path);
            same = old.Data() == content;
        } catch (const EStreamError&) {
            // Missing or unreadable: write it; the write reports what is wrong.
        }
        if (same) return false;
    }
    ReplaceFileContent(path, content);
    return true;
}

} // namespace zep
