// A stream that forwards to another stream it does not own: the base of filtering streams.
#pragma once

#include "foundation/Stream.h"

namespace zep {

/// Forwards read, write, seek and resizing to an inner stream, which it does not own.
class TStreamProxy : public TStream {
public:
    explicit TStreamProxy(TStream& inner) : inner_(&inner) {}
    TStreamProxy(const TStreamProxy&) = delete;
    TStreamProxy& operator=(const TStreamProxy&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override {
        return inner_->Read(buffer, count);
    }
    std::size_t Write(const void* buffer, std::size_t count) override {
        return inner_->Write(buffer, count);
    }
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
        return inner_->Seek(offset, origin);
    }
    std::int64_t Size() override { return inner_->Size(); }
    void SetSize(std::int64_t newSize) override { inner_->SetSize(newSize); }

    TStream& Inner() const { return *inner_; }

protected:
    TStream* inner_;
};

} // namespace zep
