// Compressing a long stream on threads of their own while its writer goes on making it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zep {

/// Raw deflate (window bits -15, memory level 9, default strategy) of a stream cut into blocks
/// of a megabyte. Each block is compressed on a worker thread with the 32 kB before it as its
/// dictionary and ends with a sync flush, the last one with the stream's end, so that the
/// blocks' outputs in order are one deflate stream (a little longer than one made in a single
/// pass: five bytes and a fresh start of the codes per block). The compressed bytes are handed
/// back on the writer's thread, in order, through `emit`; a worker's failure is raised there.
/// Workers touch nothing but their blocks (no streams, no messages). At most twice as many
/// blocks as workers are in flight, so the memory held stays a few megabytes.
class TDeflateBehind {
public:
    using TEmit = std::function<void(const unsigned char* data, std::size_t count)>;
    static constexpr std::size_t kBlock = 1 << 20;

    /// `level` is zlib's (-1 for its default); `workers` at least 1.
    TDeflateBehind(int level, unsigned workers, TEmit emit);
    /// Stops and joins the workers; what was not emitted yet is dropped.
    ~TDeflateBehind();
    TDeflateBehind(const TDeflateBehind&) = delete;
    TDeflateBehind& operator=(const TDeflateBehind&) = delete;

    void Write(const void* data, std::size_t count);
    /// Compresses the rest as the stream's end and emits everything. Once only.
    void Finish();

    /// Workers worth starting on this machine: one per processor, at most four; 0 on a single
    /// processor, where a thread would only take turns with the writer.
    static unsigned UsefulWorkers();

private:
    struct TBlock {
        std::string input;
        std::string dictionary;
        std::string output;
        bool last = false;
        bool done = false;
        std::exception_ptr error;
    };

    void Submit(bool last);
    // Emits the finished blocks at the front; with `wait`, waits for the front one first.
    void EmitFront(bool wait);
    void Work() noexcept;

    const int level_;
    TEmit emit_;
    std::string current_;
    std::string window_; // the last 32 kB of the block before the current one
    std::deque<std::shared_ptr<TBlock>> inFlight_;
    std::size_t maxInFlight_;

    std::mutex lock_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<TBlock>> todo_;
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

} // namespace zep
