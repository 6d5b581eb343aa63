// Byte streams: the abstraction every unit passes data through (files, memory, gzip, proxies).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/Exception.h"

namespace zep {

enum class SeekOrigin { Begin, Current, End };

/// A readable/writable/seekable byte stream. Positions and sizes are 64-bit byte counts.
class TStream {
public:
    virtual ~TStream() = default;
    /// Reads up to `count` bytes; returns how many were read (fewer only at the end of data).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    /// Writes `count` bytes; returns how many were written.
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    /// Moves the position; returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t newSize);

    std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(std::int64_t pos) { Seek(pos, SeekOrigin::Begin); }

    /// Reads exactly `count` bytes or raises EReadError "Stream read error".
    void ReadBuffer(void* buffer, std::size_t count);
    /// Writes exactly `count` bytes or raises EWriteError "Stream write error".
    void WriteBuffer(const void* buffer, std::size_t count);
    void WriteString(const std::string& s) { WriteBuffer(s.data(), s.size()); }
    /// Copies `count` bytes from `source` (all of it from its current position when 0).
    std::int64_t CopyFrom(TStream& source, std::int64_t count = 0);
    /// Reads everything from the current position to the end.
    virtual std::string ReadAll();

protected:
    /// Reads to the end into a buffer sized for `expected` bytes first (a hint: the result is
    /// whatever the stream delivers, more or less).
    std::string ReadAllExpecting(std::size_t expected);
};

enum class FileMode { OpenRead, OpenReadWrite, Create };

/// A stream on an operating system file.
class TFileStream : public TStream {
public:
    /// Opens or creates `fileName`; raises EFOpenError / EFCreateError with the file name.
    TFileStream(const std::string& fileName, FileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override;
    void SetSize(std::int64_t newSize) override;
    std::string ReadAll() override;
    const std::string& FileName() const { return fileName_; }
    /// Flushes to the operating system and to the disk.
    void Sync();

private:
    std::string fileName_;
    int fd_ = -1;
};

/// A growable stream held in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string data) : data_(std::move(data)) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
    void SetSize(std::int64_t newSize) override;
    std::string ReadAll() override;

    const std::string& Data() const { return data_; }
    std::string& Data() { return data_; }
    void LoadFromStream(TStream& source);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

private:
    std::string data_;
    std::size_t pos_ = 0;
};

/// A read-only stream over bytes owned by someone else.
class TReadOnlyMemoryStream : public TStream {
public:
    TReadOnlyMemoryStream(const void* data, std::size_t size)
        : data_(static_cast<const char*>(data)), size_(size) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(size_); }

private:
    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace zep
