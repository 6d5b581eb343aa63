// gzip (RFC 1952) streams over any byte stream: raw deflate/inflate from zlib, with the gzip
// header and trailer written and checked here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/Exception.h"
#include "foundation/OrvProxyStreams.h"

namespace zep {

ZEP_DECLARE_EXCEPTION(EGZipError, Exception);

class TDeflateBehind;

/// A proxy that keeps the CRC-32 of every byte read or written through it. Seeking to 0 from
/// the beginning starts the CRC afresh; its low 16 bits are the gzip header check.
class TCRCStream : public TStreamProxy {
public:
    explicit TCRCStream(TStream& inner) : TStreamProxy(inner) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::uint32_t CRC() const { return crc_; }
    void ResetCRC() { crc_ = 0; }

private:
    std::uint32_t crc_ = 0;
};

/// Common state of the compressor and the decompressor. The caller's stream is not owned.
/// Seeking and resizing are refused unless a subclass allows them.
class TGZStream : public TStreamProxy {
public:
    ~TGZStream() override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;

    /// The file name and the comment of the gzip header (Windows-1252, as stored).
    const std::string& FileName() const { return fileName_; }
    const std::string& Comment() const { return comment_; }
    virtual void Finish() = 0;

protected:
    explicit TGZStream(TStream& target);
    /// Raises EGZipError "%d: %s" for a zlib failure.
    [[noreturn]] void ZLibError(int code) const;

    // Header bytes pass through the CRC proxy for the header check; compressed data goes to
    // the caller's stream (Inner()) directly, where a CRC would be wasted work.
    std::unique_ptr<TCRCStream> crcStream_;
    struct ZState;
    std::unique_ptr<ZState> z_;
    std::uint32_t crc_ = 0;
    std::uint64_t total_ = 0; // uncompressed bytes written or delivered
    std::string fileName_;
    std::string comment_;
    bool finished_ = false;
};

/// Write-only gzip compressor. Compression number n selects zlib level n - 1 (0: the default).
class TGZipStream : public TGZStream {
public:
    TGZipStream(TStream& target, int compression);
    /// Finishes the member when that was not done: a gzip file is never left without trailer.
    ~TGZipStream() override;

    /// Stores the name part of `path`, trimmed; only effective before the first write.
    void SetFileName(const std::string& path);
    /// Compresses on `workers` threads of their own (see TDeflateBehind) while the writer goes
    /// on; 0 keeps the compression on the writer's thread. Only before the first write.
    void CompressOnThreads(unsigned workers);
    void SetComment(const std::string& comment) { comment_ = comment; }

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    /// Only Seek(0, Current) is allowed: the number of bytes written so far.
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    /// The size of the target stream.
    std::int64_t Size() override;
    void Finish() override;

private:
    void WriteHeader();
    bool headerWritten_ = false;
    int level_; // zlib's
    std::unique_ptr<TDeflateBehind> behind_;
};

/// Read-only gzip decompressor; reads and checks the header when created.
class TGUnzipStream : public TGZStream {
public:
    explicit TGUnzipStream(TStream& source);

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    /// Forward seeks read and discard; backward seeks restart from the header. A position past
    /// the end stops at the end. Returns the new position.
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    /// The uncompressed length stored in the trailer (modulo 2^32, as gzip stores it).
    std::int64_t Size() override;
    /// Room worth reserving for the whole data: the trailer's length as far as the compressed
    /// size makes it believable (at most 64 times it; studies compress about 7 to 1). Larger
    /// claims, true or damaged, are met by growing as data arrives. 0 without a trailer.
    std::int64_t BelievableSize();
    /// Everything from the current position, into a buffer sized by the trailer's length (as far
    /// as the compressed size makes it believable).
    std::string ReadAll() override;
    void Finish() override;

private:
    void ReadHeader();
    void ReadTrailer();
    std::int64_t start_;         // where the member starts in the source
    std::unique_ptr<char[]> in_; // input buffer
    bool endOfData_ = false;
};

/// Compresses `source` into `target` (default: `source` + ".gz"); the header names the source.
/// The target appears only when complete. A source of more than a megabyte is compressed on
/// threads of their own (see TDeflateBehind). Returns the target path.
std::string GZipFile(const std::string& source, int compression, const std::string& target = "");
/// Decompresses `source` into `target`: a directory (empty: the source's directory), where the
/// output takes the name stored in the header or the source's name without ".gz", or a file
/// path. The output appears only when complete and checked. Returns the output path.
std::string GUnzipFile(const std::string& source, const std::string& target = "");

/// "X.S" -> "X.Z" (the case of the last letter is kept), any other name gets ".gz".
std::string CompressedFileName(const std::string& name);
/// The inverse of CompressedFileName; empty when `name` is not a compressed name.
std::string UncompressedFileName(const std::string& name);

} // namespace zep
