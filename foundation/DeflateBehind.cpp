#include "foundation/DeflateBehind.h"

#include <algorithm>

#include <zlib.h>

#include "foundation/Format.h"
#include "foundation/ORVGZipStreams.h"

namespace zep {

namespace {
constexpr std::size_t kWindow = 32 * 1024;
} // namespace

TDeflateBehind::TDeflateBehind(int level, unsigned workers, TEmit emit)
    : level_(level), emit_(std::move(emit)), maxInFlight_(2 * std::max(workers, 1u)) {
    for (unsigned i = 0; i < std::max(workers, 1u); ++i)
        workers_.emplace_back([this] { Work(); });
}

TDeflateBehind::~TDeflateBehind() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
    }
    queued_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

unsigned TDeflateBehind::UsefulWorkers() {
    const unsigned n = std::thread::hardware_concurrency();
    return n <= 1 ? 0 : std::min(n, 4u);
}

void TDeflateBehind::Write(const void* data, std::size_t count) {
    auto* p = static_cast<const char*>(data);
    while (count > 0) {
        if (current_.capacity() < kBlock) current_.reserve(kBlock);
        const std::size_t n = std::min(count, kBlock - current_.size());
        current_.append(p, n);
        p += n;
        count -= n;
        if (current_.size() == kBlock) Submit(false);
    }
}

void TDeflateBehind::Finish() {
    Submit(true);
    while (!inFlight_.empty())
        EmitFront(true);
}

void TDeflateBehind::Submit(bool last) {
    auto block = std::make_shared<TBlock>();
    block->input = std::move(current_);
    current_ = std::string();
    block->dictionary = window_;
    block->last = last;
    // Every block but the last is whole, so its end is the next one's dictionary.
    if (!last) window_.assign(block->input, kBlock - kWindow, kWindow);
    {
        std::lock_guard<std::mutex> guard(lock_);
        todo_.push_back(block);
    }
    queued_.notify_one();
    inFlight_.push_back(std::move(block));
    EmitFront(false);
    while (inFlight_.size() > maxInFlight_)
        EmitFront(true);
}

void TDeflateBehind::EmitFront(bool wait) {
    while (!inFlight_.empty()) {
        TBlock& front = *inFlight_.front();
        {
            std::unique_lock<std::mutex> guard(lock_);
            if (!front.done) {
                if (!wait) return;
                finished_.wait(guard, [&] { return front.done; });
            }
        }
        wait = false;
        if (front.error) std::rethrow_exception(front.error);
        emit_(reinterpret_cast<const unsigned char*>(front.output.data()), front.output.size());
        inFlight_.pop_front();
    }
}

void TDeflateBehind::Work() noexcept {
    z_stream s{};
    const int init = deflateInit2(&s, level_, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    auto failure = [&](int code) {
        const char* msg = s.msg ? s.msg : zError(code);
        return std::make_exception_ptr(EGZipError(Format("%d: %s", {code, msg ? msg : ""})));
    };
    for (;;) {
        std::shared_ptr<TBlock> block;
        {
            std::unique_lock<std::mutex> guard(lock_);
            queued_.wait(guard, [&] { return stop_ || !todo_.empty(); });
            if (stop_) break;
            block = std::move(todo_.front());
            todo_.pop_front();
        }
        std::exception_ptr error;
        try {
            if (init != Z_OK) {
                error = failure(init);
            } else {
                deflateReset(&s);
                const std::string& dict = block->dictionary;
                if (!dict.empty())
                    deflateSetDictionary(&s, reinterpret_cast<const Bytef*>(dict.data()),
                                         static_cast<uInt>(dict.size()));
                std::string& out = block->output;
                out.resize(deflateBound(&s, static_cast<uLong>(block->input.size())) + 64);
                s.next_in = reinterpret_cast<Bytef*>(block->input.data());
                s.avail_in = static_cast<uInt>(block->input.size());
                std::size_t made = 0;
                for (;;) {
                    s.next_out = reinterpret_cast<Bytef*>(out.data() + made);
                    s.avail_out = static_cast<uInt>(out.size() - made);
                    const int rc = deflate(&s, block->last ? Z_FINISH : Z_SYNC_FLUSH);
                    made = out.size() - s.avail_out;
                    if (rc == Z_STREAM_END) break;
                    if (rc != Z_OK && rc != Z_BUF_ERROR) {
                        error = failure(rc);
                        break;
                    }
                    // A sync flush is complete once deflate leaves room in the output.
                    if (!block->last && s.avail_in == 0 && s.avail_out != 0) break;
                    if (s.avail_out == 0) out.resize(out.size() * 2);
                }
                out.resize(made);
                std::string().swap(block->input);
            }
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> guard(lock_);
            block->error = error;
            block->done = true;
        }
        finished_.notify_all();
    }
    if (init == Z_OK) deflateEnd(&s);
}

} // namespace zep
