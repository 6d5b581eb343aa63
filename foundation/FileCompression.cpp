#include "foundation/FileCompression.h"

#include <algorithm>
#include <filesystem>
#include <fnmatch.h>

#include "foundation/ORVGZipStreams.h"
#include "foundation/Stream.h"

namespace zep {
namespace fs = std::filesystem;
namespace {

bool HasWildcard(const std::string& s) {
    return s.find_first_of("*?[") != std::string::npos;
}

void Match(const fs::path& base, const std::vector<std::string>& parts, std::size_t i,
           std::vector<std::string>& out) {
    std::error_code ec;
    if (i == parts.size()) {
        if (fs::is_regular_file(base, ec)) out.push_back(base.string());
        return;
    }
    const std::string& part = parts[i];
    if (part == "**") {
        Match(base, parts, i + 1, out);
        // Symbolic links to directories are not followed: they could lead in circles.
        for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec)) Match(it->path(), parts, i, out);
        return;
    }
    if (!HasWildcard(part)) {
        fs::path next = base / part;
        if (fs::exists(next, ec)) Match(next, parts, i + 1, out);
        return;
    }
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (::fnmatch(part.c_str(), name.c_str(), FNM_PERIOD | FNM_CASEFOLD) == 0)
            Match(it->path(), parts, i + 1, out);
    }
}

bool StartsWithGzipMagic(const std::string& file) {
    try {
        TFileStream f(file, FileMode::OpenRead);
        unsigned char m[2] = {};
        return f.Read(m, 2) == 2 && m[0] == 0x1F && m[1] == 0x8B;
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

std::vector<std::string> MatchingFiles(const std::string& pattern) {
    fs::path p(pattern);
    fs::path base = p.has_root_path() ? p.root_path() : fs::path(".");
    std::vector<std::string> parts;
    for (const auto& c : p.relative_path())
        if (!c.empty() && c != ".") parts.push_back(c.string());
    std::vector<std::string> out;
    if (parts.empty()) return out;
    Match(base, parts, 0, out);
    if (!p.has_root_path())
        for (auto& f : out)
            if (f.starts_with("./")) f.erase(0, 2);
    std::sort(out.begin(), out.end());
    // "**" can reach one file along several paths ("a/**/**/x").
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<std::string> CompressFiles(const std::string& pattern) {
    std::vector<std::string> written;
    for (const auto& file : MatchingFiles(pattern)) {
        std::string target = CompressedFileName(file);
        GZipFile(file, 2, target);
        fs::remove(file);
        written.push_back(target);
    }
    return written;
}

std::vector<std::string> DecompressFiles(const std::string& pattern) {
    std::vector<std::string> restored;
    for (const auto& file : MatchingFiles(pattern)) {
        std::string target = UncompressedFileName(file);
        if (target.empty() || !StartsWithGzipMagic(file)) continue;
        GUnzipFile(file, target);
        fs::remove(file);
        restored.push_back(target);
    }
    return restored;
}

} // namespace zep
