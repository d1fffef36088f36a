// Shared by the fuzz targets: a property check that stops the run with a message, the same
// under libFuzzer and in the replay program, and a reader that takes values off the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// A property that does not hold is a finding: say which, then abort so that libFuzzer keeps the
// input and the replay test fails.
#define FUZZ_CHECK(condition)                                                                                  \
    do {                                                                                                       \
        if (!(condition)) {                                                                                    \
            (void)std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                                      \
        }                                                                                                      \
    } while (false)

namespace fuzz {

// Takes values off the front of the fuzz input; once it is used up every read gives zeros.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
    std::uint16_t Unit16() {
        const std::uint16_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    bool Flag() { return (Byte() & 1) != 0; }
    // The bytes up to the next `separator` (consumed, not returned), or the rest of the input.
    std::string_view BytesUntil(std::uint8_t separator) {
        const std::size_t start = position_;
        while (position_ < size_ && data_[position_] != separator) ++position_;
        std::string_view text(reinterpret_cast<const char*>(data_ + start), position_ - start);
        if (position_ < size_) ++position_;
        return text;
    }
    std::string_view Rest() {
        std::string_view text(reinterpret_cast<const char*>(data_ + position_), size_ - position_);
        position_ = size_;
        return text;
    }
    bool empty() const { return position_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace fuzz
