#include "foundation/Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <typeinfo>
#include <unistd.h>

namespace zep {

std::string ExceptionDisplayText(const std::exception& e) {
    if (auto* own = dynamic_cast<const Exception*>(&e))
        return std::string(own->what()) + "\r[" + own->ClassName() + "]";
    return std::string(e.what()) + "\r[" + typeid(e).name() + "]";
}

std::int64_t TStream::Size() {
    std::int64_t pos = Seek(0, SeekOrigin::Current);
    std::int64_t size = Seek(0, SeekOrigin::End);
    Seek(pos, SeekOrigin::Begin);
    return size;
}

void TStream::SetSize(std::int64_t) {
    throw EStreamError("Setting size not allowed");
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    char buf[65536];
    std::int64_t total = 0;
    for (;;) {
        std::size_t want = sizeof buf;
        if (count > 0) {
            if (total >= count) break;
            want = static_cast<std::size_t>(std::min<std::int64_t>(count - total, sizeof buf));
        }
        std::size_t got = source.Read(buf, want);
        if (got == 0) {
            if (count > 0) throw EReadError("Stream read error");
            break;
        }
        WriteBuffer(buf, got);
        total += static_cast<std::int64_t>(got);
    }
    return total;
}

std::string TStream::ReadAll() {
    return ReadAllExpecting(0);
}

std::string TStream::ReadAllExpecting(std::size_t expected) {
    // Read straight into the result; one byte more than expected, so that reaching the end
    // needs no second buffer.
    std::string out(std::max<std::size_t>(expected + 1, 65536), '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == out.size()) out.resize(out.size() * 2);
        const std::size_t got = Read(out.data() + used, out.size() - used);
        if (got == 0) break;
        used += got;
    }
    out.resize(used);
    return out;
}

// ---------------------------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& fileName, FileMode mode) : fileName_(fileName) {
    switch (mode) {
    case FileMode::OpenRead:
        fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
        break;
    case FileMode::OpenReadWrite:
        fd_ = ::open(fileName.c_str(), O_RDWR | O_CLOEXEC);
        break;
    case FileMode::Create:
        fd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        break;
    }
    if (fd_ < 0) {
        std::string reason = std::strerror(errno);
        if (mode == FileMode::Create)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
    }
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EFOpenError("Cannot open file \"" + fileName + "\". Is a directory");
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EReadError("Stream read error: " + fileName_ + ": " + std::strerror(errno));
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EWriteError("Stream write error: " + fileName_ + ": " + std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                 : origin == SeekOrigin::Current ? SEEK_CUR
                                                 : SEEK_END;
    off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (r < 0) throw EStreamError("Seek error: " + fileName_ + ": " + std::strerror(errno));
    return r;
}

std::int64_t TFileStream::Size() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return TStream::Size();
    return st.st_size;
}

std::string TFileStream::ReadAll() {
    const std::int64_t left = Size() - Position();
    return ReadAllExpecting(left > 0 ? static_cast<std::size_t>(left) : 0);
}

void TFileStream::SetSize(std::int64_t newSize) {
    if (::ftruncate(fd_, static_cast<off_t>(newSize)) != 0)
        throw EStreamError("Setting size failed: " + fileName_ + ": " + std::strerror(errno));
    if (Position() > newSize) Seek(newSize, SeekOrigin::Begin);
}

void TFileStream::Sync() {
    if (::fsync(fd_) != 0)
        throw EWriteError("Stream write error: " + fileName_ + ": " + std::strerror(errno));
}

// ---------------------------------------------------------------------------------------------

static std::int64_t NewPosition(std::int64_t offset, SeekOrigin origin, std::int64_t current,
                                std::int64_t size) {
    std::int64_t target = origin == SeekOrigin::Begin     ? offset
                          : origin == SeekOrigin::Current ? current + offset
                                                          : size + offset;
    if (target < 0) throw EStreamError("Seek before the beginning of the stream");
    return target;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (pos_ >= data_.size()) return 0;
    std::size_t n = std::min(count, data_.size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (pos_ > data_.size()) data_.resize(pos_, '\0');
    std::size_t overlap = std::min(count, data_.size() - pos_);
    std::memcpy(data_.data() + pos_, buffer, overlap);
    data_.append(static_cast<const char*>(buffer) + overlap, count - overlap);
    pos_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    pos_ = static_cast<std::size_t>(NewPosition(offset, origin, static_cast<std::int64_t>(pos_),
                                                static_cast<std::int64_t>(data_.size())));
    return static_cast<std::int64_t>(pos_);
}

void TMemoryStream::SetSize(std::int64_t newSize) {
    data_.resize(static_cast<std::size_t>(newSize));
    if (pos_ > data_.size()) pos_ = data_.size();
}

std::string TMemoryStream::ReadAll() {
    std::string out = pos_ < data_.size() ? data_.substr(pos_) : std::string();
    pos_ = std::max(pos_, data_.size());
    return out;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    data_ = source.ReadAll();
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream f(fileName, FileMode::OpenRead);
    data_ = f.ReadAll();
    pos_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
    TFileStream f(fileName, FileMode::Create);
    f.WriteBuffer(data_.data(), data_.size());
}

std::size_t TReadOnlyMemoryStream::Read(void* buffer, std::size_t count) {
    if (pos_ >= size_) return 0;
    std::size_t n = std::min(count, size_ - pos_);
    std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return n;
}

std::size_t TReadOnlyMemoryStream::Write(const void*, std::size_t) {
    throw EWriteError("Writing not allowed");
}

std::int64_t TReadOnlyMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    pos_ = static_cast<std::size_t>(NewPosition(offset, origin, static_cast<std::int64_t>(pos_),
                                                static_cast<std::int64_t>(size_)));
    return static_cast<std::int64_t>(pos_);
}

} // namespace zep
