// SHA-256 of files, for the run record that ties every result to the inputs that made it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zep::modelio {

/// Incremental SHA-256 (FIPS 180-4).
class TSha256 {
public:
    TSha256();
    void Update(const void* data, std::size_t size);
    /// The digest as 64 lower-case hexadecimal digits; the object is spent afterwards.
    std::string HexDigest();

private:
    void Block(const std::uint8_t* block);
    std::uint32_t h_[8];
    std::uint8_t buffer_[64];
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;
};

/// The digest of a file's bytes; empty when the file cannot be read.
std::string FileSha256(const std::string& path);

} // namespace zep::modelio
