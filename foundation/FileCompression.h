// Compresses and restores whole sets of files chosen by a path pattern.
#pragma once

#include <string>
#include <vector>

namespace zep {

/// The regular files matching `pattern`, sorted. Components may hold the wildcards "*", "?"
/// and "[...]", matched without regard to letter case; a component "**" stands for any number
/// of directories (including none).
std::vector<std::string> MatchingFiles(const std::string& pattern);

/// Compresses every file matching `pattern` (compression number 2) to its compressed name
/// (CompressedFileName) and deletes the original once its compressed copy is complete.
/// Returns the compressed files written.
std::vector<std::string> CompressFiles(const std::string& pattern);

/// Restores every gzip file matching `pattern` whose name is a compressed name to its
/// uncompressed name and deletes the compressed file once the restored file is complete.
/// Other matching files are left alone. Returns the files restored.
std::vector<std::string> DecompressFiles(const std::string& pattern);

} // namespace zep
