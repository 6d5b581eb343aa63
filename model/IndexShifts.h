// Positions in a long list kept through removals and insertions in the middle without rewriting
// every later one at once (one removal after another would cost the list's length each): each
// change is noted as a shift, and a position stored earlier is moved by the shifts noted since.
// Items that came in since the last settling remember from which shift on they move. Pending
// shifts are bounded by the square root of the list's length (at least 64), and once lookups or
// removals have walked more than the list's length the owner settles them: neither a run of
// changes nor a run of lookups or of removals from the end costs more than its share of one
// renumbering.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zep::model {

class TIndexShifts {
public:
    bool Pending() const { return !shifts_.empty(); }
    /// Whether one more shift or fresh item would pass the bound for a list of `length`.
    bool Full(std::size_t length) const {
        const std::size_t bound =
            std::max<std::size_t>(64, static_cast<std::size_t>(std::sqrt(double(length))));
        return shifts_.size() >= bound || fresh_.size() >= bound;
    }
    /// The smallest position a pending shift touched.
    std::size_t ShiftedFrom() const { return shiftedFrom_; }
    /// The item at `at` left (delta -1), or one came in at `at` (+1).
    void Note(std::size_t at, int delta) {
        if (shifts_.empty() || at < shiftedFrom_) shiftedFrom_ = at;
        shifts_.push_back({at, delta});
    }
    /// `item`, stored at its position now, moves only by the shifts noted from here on.
    void AddFresh(const void* item) { fresh_.push_back({item, shifts_.size()}); }
    /// `item` left from `at` of a list now `length` long: notes the shift (none after the last
    /// one) and answers whether the owner must settle now, because the shifts are full or a run
    /// of removals has walked them for a pass. Counts the walk through the fresh items.
    bool NoteRemoved(const void* item, std::size_t at, std::size_t length) {
        walked_ += fresh_.size();
        for (std::size_t i = 0; i < fresh_.size(); ++i)
            if (fresh_[i].item == item) {
                fresh_.erase(fresh_.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        const bool full = Full(length);
        if (at < length) Note(at, -1);
        return (full && at < length) || WalkedPast(length);
    }
    /// The position now of `item`, stored as `stored`; counts the walk.
    std::size_t Move(const void* item, std::size_t stored) const {
        if (shifts_.empty()) return stored;
        std::size_t from = 0;
        for (const TFresh& f : fresh_)
            if (f.item == item) {
                from = f.after;
                break;
            }
        std::size_t p = stored;
        for (std::size_t i = from; i < shifts_.size(); ++i) {
            const TShift& s = shifts_[i];
            if (s.delta < 0 ? p > s.at : p >= s.at) p += static_cast<std::size_t>(s.delta);
        }
        walked_ += shifts_.size() + fresh_.size();
        return p;
    }
    /// Whether lookups have walked more than a list of `length` costs to settle.
    bool WalkedPast(std::size_t length) const { return walked_ > length + 1024; }
    void Clear() {
        shifts_.clear();
        fresh_.clear();
        walked_ = 0;
    }

private:
    struct TShift {
        std::size_t at;
        int delta;
    };
    struct TFresh {
        const void* item;
        std::size_t after;
    };
    std::vector<TShift> shifts_;
    std::vector<TFresh> fresh_;
    std::size_t shiftedFrom_ = 0;
    mutable std::size_t walked_ = 0;
};

} // namespace zep::model
