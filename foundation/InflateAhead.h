// Decompressing a gzip file on a second thread while its reader works on what is already there.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "foundation/HugePages.h"
#include "foundation/ORVGZipStreams.h"
#include "foundation/Stream.h"

namespace zep {

/// The uncompressed bytes of a gzip file, filled from its start by a thread of their own. The
/// buffer is sized once by the trailer's length (as far as the compressed size makes it
/// believable) and never moves while the thread fills it; should the file hold more, the
/// reader's own thread reads the rest when it gets there. The thread touches nothing but the
/// file, its decompressor and the buffer (no messages, no logging).
class TInflateAhead {
public:
    /// Opens `fileName` (a gzip file) and starts decompressing.
    explicit TInflateAhead(const std::string& fileName);
    ~TInflateAhead();
    TInflateAhead(const TInflateAhead&) = delete;
    TInflateAhead& operator=(const TInflateAhead&) = delete;

    /// The bytes from the start: at least `end` of them unless the data ends before; waits for
    /// them. Raises the decompressor's error once the bytes before it are used up.
    std::string_view Wait(std::size_t end);
    /// Waits for the end of the data; raises the decompressor's error if there was one.
    std::string_view WaitAll() { return Wait(static_cast<std::size_t>(-1)); }
    /// The length the file announces (a hint: a damaged file may say anything).
    std::size_t Expected() const { return expected_; }

private:
    void Run() noexcept;
    void ReadOnHere(std::size_t end);

    TFileStream file_;
    TGUnzipStream gz_;
    std::size_t expected_ = 0;
    // Not zero-filled: the thread writes every byte before anyone reads it, and clearing a
    // study's hundreds of megabytes first would cost the reader's thread as much as a pass.
    // Huge pages: in small pages, the faults of a million-link study's 424 MB took a second.
    THugeBuffer buffer_;
    std::size_t room_ = 0; // the buffer's size; filled_ bytes of it are data
    std::mutex lock_;
    std::condition_variable changed_;
    std::size_t filled_ = 0;
    bool finished_ = false; // the thread stopped: end of data, full buffer, error or stop
    bool full_ = false;     // it stopped because the buffer was full
    bool stop_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

/// A stream over TInflateAhead, for readers that take bytes in order.
class TInflateAheadStream : public TStream {
public:
    explicit TInflateAheadStream(const std::string& fileName) : ahead_(fileName) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    TInflateAhead& Ahead() { return ahead_; }

private:
    TInflateAhead ahead_;
    std::size_t pos_ = 0;
};

} // namespace zep
