#include "foundation/ORVGZipStreams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>

#include <zlib.h>

#include "foundation/DeflateBehind.h"
#include "foundation/Format.h"
#include "foundation/ORVFiles.h"

namespace zep {
namespace {

constexpr std::size_t kBufferSize = 4096;
constexpr unsigned char kMagic1 = 0x1F, kMagic2 = 0x8B;
constexpr unsigned char kFlagHeaderCRC = 2, kFlagExtra = 4, kFlagName = 8, kFlagComment = 16;
// zlib counts in 32-bit units; larger requests are fed in pieces of this size.
constexpr std::size_t kMaxChunk = 1u << 30;

void PutLE32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t GetLE32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint32_t UpdateCRC(std::uint32_t crc, const void* data, std::size_t count) {
    auto* p = static_cast<const Bytef*>(data);
    while (count > 0) {
        auto n = static_cast<uInt>(std::min(count, kMaxChunk));
        crc = static_cast<std::uint32_t>(::crc32(crc, p, n));
        p += n;
        count -= n;
    }
    return crc;
}

std::string NamePart(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

struct TGZStream::ZState {
    z_stream s{};
    bool initialised = false;
    bool deflating = false;
    ~ZState() {
        if (initialised) deflating ? deflateEnd(&s) : inflateEnd(&s);
    }
};

// ---------------------------------------------------------------------------------------------

std::size_t TCRCStream::Read(void* buffer, std::size_t count) {
    std::size_t n = inner_->Read(buffer, count);
    crc_ = UpdateCRC(crc_, buffer, n);
    return n;
}

std::size_t TCRCStream::Write(const void* buffer, std::size_t count) {
    std::size_t n = inner_->Write(buffer, count);
    crc_ = UpdateCRC(crc_, buffer, n);
    return n;
}

std::int64_t TCRCStream::Seek(std::int64_t offset, SeekOrigin origin) {
    if (offset == 0 && origin == SeekOrigin::Begin) crc_ = 0;
    return inner_->Seek(offset, origin);
}

// ---------------------------------------------------------------------------------------------

TGZStream::TGZStream(TStream& target)
    : TStreamProxy(target), crcStream_(std::make_unique<TCRCStream>(target)),
      z_(std::make_unique<ZState>()) {}

TGZStream::~TGZStream() = default;

std::int64_t TGZStream::Seek(std::int64_t, SeekOrigin) {
    throw EGZipError("Seek not allowed");
}

void TGZStream::SetSize(std::int64_t) {
    throw EGZipError("Setting size not allowed");
}

void TGZStream::ZLibError(int code) const {
    const char* msg = z_->s.msg ? z_->s.msg : zError(code);
    throw EGZipError(Format("%d: %s", {code, msg ? msg : ""}));
}

// ---------------------------------------------------------------------------------------------

TGZipStream::TGZipStream(TStream& target, int compression)
    : TGZStream(target), level_(compression - 1) {
    int rc = deflateInit2(&z_->s, level_, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK) ZLibError(rc);
    z_->initialised = true;
    z_->deflating = true;
}

TGZipStream::~TGZipStream() {
    try {
        Finish();
    } catch (...) {
        // A destructor cannot report; callers who care call Finish themselves.
    }
}

void TGZipStream::CompressOnThreads(unsigned workers) {
    if (headerWritten_ || finished_) throw EGZipError("Compression already started");
    behind_.reset();
    if (workers == 0) return;
    behind_ = std::make_unique<TDeflateBehind>(
        level_, workers,
        [this](const unsigned char* data, std::size_t count) { Inner().WriteBuffer(data, count); });
}

void TGZipStream::SetFileName(const std::string& path) {
    fileName_ = Trim(NamePart(path));
}

void TGZipStream::WriteHeader() {
    std::string h(10, '\0');
    h[0] = static_cast<char>(kMagic1);
    h[1] = static_cast<char>(kMagic2);
    h[2] = 8;
    h[3] = static_cast<char>((fileName_.empty() ? 0 : kFlagName) |
                             (comment_.empty() ? 0 : kFlagComment));
    // Seconds since 1970 in UTC; gzip's own tool does the same.
    PutLE32(reinterpret_cast<unsigned char*>(h.data() + 4),
            static_cast<std::uint32_t>(std::time(nullptr)));
    h[8] = 0;
    h[9] = 3;
    // A zero byte inside a name would end it early on reading; cut there so what is read back
    // is what the header holds.
    if (!fileName_.empty()) h.append(fileName_.c_str()).push_back('\0');
    if (!comment_.empty()) h.append(comment_.c_str()).push_back('\0');
    crcStream_->WriteBuffer(h.data(), h.size());
    headerWritten_ = true;
}

std::size_t TGZipStream::Read(void*, std::size_t) {
    throw EGZipError("Reading not allowed");
}

std::size_t TGZipStream::Write(const void* buffer, std::size_t count) {
    if (finished_) throw EGZipError("Writing not allowed");
    if (!headerWritten_) WriteHeader();
    crc_ = UpdateCRC(crc_, buffer, count);
    total_ += count;
    if (behind_) {
        behind_->Write(buffer, count);
        return count;
    }
    unsigned char out[kBufferSize];
    auto* p = static_cast<const Bytef*>(buffer);
    std::size_t left = count;
    while (left > 0) {
        auto piece = static_cast<uInt>(std::min(left, kMaxChunk));
        z_->s.next_in = const_cast<Bytef*>(p);
        z_->s.avail_in = piece;
        do {
            z_->s.next_out = out;
            z_->s.avail_out = sizeof out;
            int rc = deflate(&z_->s, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_BUF_ERROR) ZLibError(rc);
            Inner().WriteBuffer(out, sizeof out - z_->s.avail_out);
        } while (z_->s.avail_out == 0);
        p += piece;
        left -= piece;
    }
    return count;
}

std::int64_t TGZipStream::Seek(std::int64_t offset, SeekOrigin origin) {
    if (offset == 0 && origin == SeekOrigin::Current) return static_cast<std::int64_t>(total_);
    throw EGZipError("Seek not allowed");
}

std::int64_t TGZipStream::Size() {
    return Inner().Size();
}

void TGZipStream::Finish() {
    if (finished_) return;
    finished_ = true;
    if (!headerWritten_) WriteHeader();
    if (behind_) {
        // Dropped even when it fails: its threads must not outlive a failed save.
        const std::unique_ptr<TDeflateBehind> behind = std::move(behind_);
        behind->Finish();
    } else {
        unsigned char out[kBufferSize];
        z_->s.next_in = nullptr;
        z_->s.avail_in = 0;
        for (;;) {
            z_->s.next_out = out;
            z_->s.avail_out = sizeof out;
            int rc = deflate(&z_->s, Z_FINISH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) ZLibError(rc);
            Inner().WriteBuffer(out, sizeof out - z_->s.avail_out);
            if (rc == Z_STREAM_END) break;
        }
    }
    deflateEnd(&z_->s);
    z_->initialised = false;
    unsigned char trailer[8];
    PutLE32(trailer, crc_);
    PutLE32(trailer + 4, static_cast<std::uint32_t>(total_));
    Inner().WriteBuffer(trailer, sizeof trailer);
}

// ---------------------------------------------------------------------------------------------

TGUnzipStream::TGUnzipStream(TStream& source)
    : TGZStream(source), start_(source.Position()), in_(new char[kBufferSize]) {
    int rc = inflateInit2(&z_->s, -MAX_WBITS);
    if (rc != Z_OK) ZLibError(rc);
    z_->initialised = true;
    ReadHeader();
}

void TGUnzipStream::ReadHeader() {
    crcStream_->ResetCRC();
    unsigned char h[10];
    if (crcStream_->Read(h, sizeof h) != sizeof h || h[0] != kMagic1 || h[1] != kMagic2)
        throw EGZipError("nog in gzip format");
    // A header cut short is as broken as one that fails its check.
    auto readExact = [this](void* buf, std::size_t n) {
        if (crcStream_->Read(buf, n) != n) throw EGZipError("corrupted header");
    };
    auto readZeroTerminated = [&] {
        std::string s;
        for (char c;;) {
            readExact(&c, 1);
            if (c == '\0') break;
            s.push_back(c);
        }
        return Trim(s);
    };
    unsigned char flags = h[3];
    if (flags & kFlagExtra) {
        unsigned char len[2];
        readExact(len, 2);
        std::size_t n = len[0] | static_cast<std::size_t>(len[1]) << 8;
        char skip[256];
        while (n > 0) {
            std::size_t piece = std::min(n, sizeof skip);
            readExact(skip, piece);
            n -= piece;
        }
    }
    fileName_ = (flags & kFlagName) ? readZeroTerminated() : std::string();
    comment_ = (flags & kFlagComment) ? readZeroTerminated() : std::string();
    if (flags & kFlagHeaderCRC) {
        std::uint16_t expected = static_cast<std::uint16_t>(crcStream_->CRC() & 0xFFFF);
        unsigned char check[2];
        readExact(check, 2);
        if ((check[0] | check[1] << 8) != expected) throw EGZipError("corrupted header");
    }
    crc_ = 0;
    total_ = 0;
    endOfData_ = false;
}

std::size_t TGUnzipStream::Write(const void*, std::size_t) {
    throw EGZipError("Writing not allowed");
}

std::size_t TGUnzipStream::Read(void* buffer, std::size_t count) {
    if (endOfData_ || finished_) return 0;
    auto* out = static_cast<Bytef*>(buffer);
    std::size_t done = 0;
    while (done < count && !endOfData_) {
        auto piece = static_cast<uInt>(std::min(count - done, kMaxChunk));
        z_->s.next_out = out + done;
        z_->s.avail_out = piece;
        while (z_->s.avail_out > 0) {
            if (z_->s.avail_in == 0) {
                std::size_t got = Inner().Read(in_.get(), kBufferSize);
                // The deflate data ends before its end marker: the file was cut short.
                if (got == 0) throw EGZipError("corrupted data");
                z_->s.next_in = reinterpret_cast<Bytef*>(in_.get());
                z_->s.avail_in = static_cast<uInt>(got);
            }
            int rc = inflate(&z_->s, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                endOfData_ = true;
                break;
            }
            if (rc == Z_NEED_DICT) ZLibError(Z_DATA_ERROR);
            if (rc != Z_OK && rc != Z_BUF_ERROR) ZLibError(rc);
        }
        std::size_t produced = piece - z_->s.avail_out;
        crc_ = UpdateCRC(crc_, out + done, produced);
        total_ += produced;
        done += produced;
    }
    if (endOfData_) ReadTrailer();
    return done;
}

void TGUnzipStream::ReadTrailer() {
    // The trailer follows the deflate data; part of it may already sit in the input buffer.
    unsigned char t[8];
    std::size_t have = std::min<std::size_t>(z_->s.avail_in, sizeof t);
    std::memcpy(t, z_->s.next_in, have);
    z_->s.next_in += have;
    z_->s.avail_in -= static_cast<uInt>(have);
    if (have < sizeof t) have += Inner().Read(t + have, sizeof t - have);
    if (have != sizeof t || GetLE32(t) != crc_ ||
        GetLE32(t + 4) != static_cast<std::uint32_t>(total_))
        throw EGZipError("corrupted data");
}

std::int64_t TGUnzipStream::Seek(std::int64_t offset, SeekOrigin origin) {
    // From the end, the offset counts back from the uncompressed length whatever its sign:
    // callers written either way (a positive distance, or a negative offset) land on the same
    // place, and none lands beyond the data.
    auto current = static_cast<std::int64_t>(total_);
    std::int64_t target = origin == SeekOrigin::Begin     ? offset
                          : origin == SeekOrigin::Current ? current + offset
                                                          : Size() - std::abs(offset);
    if (target < 0) throw EGZipError("Seek not allowed");
    if (target == current) return current;
    if (target < current) {
        int rc = inflateReset(&z_->s);
        if (rc != Z_OK) ZLibError(rc);
        z_->s.next_in = nullptr;
        z_->s.avail_in = 0;
        finished_ = false;
        Inner().Seek(start_, SeekOrigin::Begin);
        ReadHeader();
    }
    char discard[kBufferSize];
    while (static_cast<std::int64_t>(total_) < target) {
        auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(target - static_cast<std::int64_t>(total_), sizeof discard));
        if (Read(discard, want) == 0) break;
    }
    return static_cast<std::int64_t>(total_);
}

std::int64_t TGUnzipStream::Size() {
    std::int64_t pos = Inner().Position();
    std::int64_t end = Inner().Seek(0, SeekOrigin::End);
    unsigned char t[4] = {};
    bool ok = end - start_ >= 18; // the shortest member: header, empty data, trailer
    if (ok) {
        Inner().Seek(end - 4, SeekOrigin::Begin);
        ok = Inner().Read(t, 4) == 4;
    }
    Inner().Seek(pos, SeekOrigin::Begin);
    if (!ok) throw EGZipError("corrupted data");
    return GetLE32(t);
}

std::int64_t TGUnzipStream::BelievableSize() {
    constexpr std::int64_t kMaxRatio = 64;
    try {
        return std::min(Size(), (Inner().Size() - start_) * kMaxRatio);
    } catch (const EGZipError&) {
        return 0; // too short for a trailer: reading reports the damage
    }
}

std::string TGUnzipStream::ReadAll() {
    const std::int64_t expected = BelievableSize() - Position();
    return ReadAllExpecting(expected > 0 ? static_cast<std::size_t>(expected) : 0);
}

void TGUnzipStream::Finish() {
    finished_ = true;
}

// ---------------------------------------------------------------------------------------------

std::string CompressedFileName(const std::string& name) {
    std::string out = name;
    if (!out.empty() && (out.back() == 'S' || out.back() == 's'))
        out.back() = out.back() == 'S' ? 'Z' : 'z';
    else
        out += ".gz";
    return out;
}

std::string UncompressedFileName(const std::string& name) {
    std::string base = NamePart(name);
    if (base.size() > 3 && SameText(base.substr(base.size() - 3), ".gz"))
        return name.substr(0, name.size() - 3);
    if (base.empty() || (name.back() != 'Z' && name.back() != 'z')) return {};
    std::string out = name;
    out.back() = out.back() == 'Z' ? 'S' : 's';
    return out;
}

namespace {

// Writes through a temporary file beside `target` and moves it into place only when `fill`
// succeeded, so a failure never leaves a half-written file nor destroys an existing one.
template <class Fill> void WriteViaTemporary(const std::string& target, Fill fill) {
    namespace fs = std::filesystem;
    std::string tmp = TempFileName(target);
    try {
        {
            TFileStream out(tmp, FileMode::Create);
            fill(out);
        }
        fs::rename(tmp, target);
    } catch (...) {
        std::error_code ec;
        fs::remove(tmp, ec);
        throw;
    }
}

} // namespace

std::string GZipFile(const std::string& source, int compression, const std::string& target) {
    std::string out = target.empty() ? source + ".gz" : target;
    TFileStream in(source, FileMode::OpenRead);
    WriteViaTemporary(out, [&](TStream& s) {
        TGZipStream gz(s, compression);
        gz.SetFileName(source);
        if (in.Size() > static_cast<std::int64_t>(TDeflateBehind::kBlock))
            gz.CompressOnThreads(TDeflateBehind::UsefulWorkers());
        gz.CopyFrom(in);
        gz.Finish();
    });
    return out;
}

std::string GUnzipFile(const std::string& source, const std::string& target) {
    namespace fs = std::filesystem;
    TFileStream in(source, FileMode::OpenRead);
    TGUnzipStream gz(in);
    std::string out = target;
    std::error_code ec;
    if (out.empty() || fs::is_directory(out, ec)) {
        fs::path dir = out.empty() ? fs::path(source).parent_path() : fs::path(out);
        if (dir.empty()) dir = fs::path(".");
        // Only the name part of the stored name counts: a header naming "../x" or "/etc/x"
        // must not place the output outside the chosen directory.
        std::string name = NamePart(gz.FileName());
        if (name == "." || name == "..") name.clear();
        if (name.empty()) {
            std::string src = NamePart(source);
            if (src.size() > 3 && SameText(src.substr(src.size() - 3), ".gz"))
                name = src.substr(0, src.size() - 3);
        }
        if (name.empty())
            throw EGZipError(
                Format("Could not figure out uncompressed file name for \"%s\"", {source}));
        out = (dir / name).string();
    }
    WriteViaTemporary(out, [&](TStream& s) { s.CopyFrom(gz); });
    return out;
}

} // namespace zep
