// Standard output as a write-only stream, for outputs that "-" sends to the terminal or a pipe.
#pragma once

#include <cstdio>

#include "foundation/Exception.h"
#include "foundation/Stream.h"

namespace zep::cli {

class TStdoutStream : public TStream {
public:
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void* buffer, std::size_t count) override {
        const std::size_t n = std::fwrite(buffer, 1, count, stdout);
        written_ += static_cast<std::int64_t>(n);
        return n;
    }
    /// Only the position can be asked (a writer's "how much so far").
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
        if (offset != 0 || origin == SeekOrigin::Begin)
            throw Exception("standard output cannot seek");
        return written_;
    }
    ~TStdoutStream() override { std::fflush(stdout); }

private:
    std::int64_t written_ = 0;
};

} // namespace zep::cli
