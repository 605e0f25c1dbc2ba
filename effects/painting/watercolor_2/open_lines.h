#pragma once

// One bit per cell of each line (a row or a column of the picture), set
// while the cell is open. Lets a scan step over closed cells 64 at a time:
// the ring growth of Watercolor 2 crosses large painted areas that would
// otherwise be read cell by cell.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pq {

class OpenLines {
public:
    OpenLines() = default;
    // `lines` lines of `length` cells, all open.
    OpenLines(int lines, int length)
        : length_(length), words_((size_t(length) + 63) / 64), bits_(size_t(lines) * words_, ~uint64_t(0))
    {
        // Bits past the end of a line stay closed.
        if (const int tail = length % 64; tail != 0)
            for (size_t k = 0; k < size_t(lines); ++k)
                bits_[k * words_ + words_ - 1] = (uint64_t(1) << tail) - 1;
    }

    int length() const { return length_; }

    bool isOpen(int line, int pos) const
    {
        return (bits_[size_t(line) * words_ + size_t(pos) / 64] >> (pos % 64)) & 1u;
    }

    void close(int line, int pos) { bits_[size_t(line) * words_ + size_t(pos) / 64] &= ~(uint64_t(1) << (pos % 64)); }

    // Calls f(pos) for the open cells of `line` from `first` to `last`
    // (both included, inside the line) in increasing order until f answers
    // true. f may close the cell it is given.
    template <class F>
    void forEachUntil(int line, int first, int last, F&& f) const
    {
        if (first > last)
            return;
        const uint64_t* row = bits_.data() + size_t(line) * words_;
        const size_t w0 = size_t(first) / 64, w1 = size_t(last) / 64;
        for (size_t k = w0; k <= w1; ++k) {
            uint64_t word = row[k];
            if (k == w0)
                word &= ~uint64_t(0) << (first % 64);
            if (k == w1 && last % 64 != 63)
                word &= (uint64_t(1) << (last % 64 + 1)) - 1;
            while (word != 0) {
                const int bit = std::countr_zero(word);
                word &= word - 1;
                if (f(int(k * 64) + bit))
                    return;
            }
        }
    }

    // The same for every open cell of the range.
    template <class F>
    void forEachOpen(int line, int first, int last, F&& f) const
    {
        forEachUntil(line, first, last, [&](int pos) {
            f(pos);
            return false;
        });
    }

private:
    int length_ = 0;
    size_t words_ = 0;
    std::vector<uint64_t> bits_;
};

} // namespace pq
