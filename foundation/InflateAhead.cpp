#include "foundation/InflateAhead.h"

#include <algorithm>
#include <cstring>

namespace zep {

namespace {
constexpr std::size_t kChunk = 256 * 1024;
} // namespace

TInflateAhead::TInflateAhead(const std::string& fileName)
    : file_(fileName, FileMode::OpenRead), gz_(file_) {
    const std::int64_t room = gz_.BelievableSize();
    if (room > 0) expected_ = static_cast<std::size_t>(gz_.Size());
    room_ = std::max<std::size_t>(static_cast<std::size_t>(room) + 1, kChunk);
    buffer_ = THugeBuffer(room_);
    thread_ = std::thread([this] { Run(); });
}

TInflateAhead::~TInflateAhead() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
    }
    if (thread_.joinable()) thread_.join();
}

void TInflateAhead::Run() noexcept {
    try {
        for (;;) {
            std::size_t at = 0;
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (stop_) break;
                at = filled_;
            }
            if (at == room_) {
                std::lock_guard<std::mutex> guard(lock_);
                full_ = true;
                break;
            }
            // Only this thread writes past filled_, and the buffer does not move meanwhile.
            const std::size_t got = gz_.Read(buffer_.Data() + at, std::min(kChunk, room_ - at));
            std::lock_guard<std::mutex> guard(lock_);
            filled_ += got;
            changed_.notify_all();
            if (got == 0) break;
        }
    } catch (...) {
        std::lock_guard<std::mutex> guard(lock_);
        error_ = std::current_exception();
    }
    std::lock_guard<std::mutex> guard(lock_);
    finished_ = true;
    changed_.notify_all();
}

void TInflateAhead::ReadOnHere(std::size_t end) {
    // The thread has ended with a full buffer: the file holds more than it announced.
    while (filled_ < end) {
        if (filled_ == room_) {
            THugeBuffer larger(room_ * 2);
            std::memcpy(larger.Data(), buffer_.Data(), filled_);
            buffer_ = std::move(larger);
            room_ *= 2;
        }
        const std::size_t got = gz_.Read(buffer_.Data() + filled_, room_ - filled_);
        if (got == 0) {
            full_ = false;
            break;
        }
        filled_ += got;
    }
}

std::string_view TInflateAhead::Wait(std::size_t end) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [&] { return filled_ >= end || finished_; });
    if (filled_ < end && finished_) {
        if (error_) std::rethrow_exception(error_);
        if (full_) {
            guard.unlock();
            if (thread_.joinable()) thread_.join();
            ReadOnHere(end);
            return {buffer_.Data(), filled_};
        }
    }
    return {buffer_.Data(), filled_};
}

std::size_t TInflateAheadStream::Read(void* buffer, std::size_t count) {
    const std::string_view bytes = ahead_.Wait(pos_ + count);
    const std::size_t n = bytes.size() > pos_ ? std::min(count, bytes.size() - pos_) : 0;
    if (n) std::memcpy(buffer, bytes.data() + pos_, n);
    pos_ += n;
    return n;
}

std::size_t TInflateAheadStream::Write(const void*, std::size_t) {
    throw EWriteError("Stream write error");
}

std::int64_t TInflateAheadStream::Seek(std::int64_t offset, SeekOrigin origin) {
    if (offset == 0 && origin == SeekOrigin::Current) return static_cast<std::int64_t>(pos_);
    if (origin == SeekOrigin::Begin && offset >= 0) {
        pos_ = static_cast<std::size_t>(offset);
        return offset;
    }
    throw EStreamError("Seek not supported");
}

} // namespace zep
