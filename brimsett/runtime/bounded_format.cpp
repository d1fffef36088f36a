#include "runtime/bounded_format.h"

#include <cstdint>
#include <type_traits>

namespace brimsett::text {
namespace {

// Writes into a bounded buffer and remembers whether anything had to be dropped.
template <typename Unit>
class Sink {
public:
    Sink(Unit* buffer, std::size_t capacity) : buffer_(buffer), limit_(capacity - 1) {}

    void Put(Unit unit) {
        if (written_ < limit_)
            buffer_[written_++] = unit;
        else
            cut_ = true;
    }
    void Repeat(Unit unit, std::size_t count) {
        for (std::size_t i = 0; i < count && !cut_; ++i) Put(unit);
    }
    bool cut() const { return cut_; }
    FailureCode Finish(bool malformed) {
        buffer_[written_] = Unit(0);
        return (cut_ || malformed) ? kTruncated : kSuccess;
    }

private:
    Unit* buffer_;
    std::size_t limit_;
    std::size_t written_ = 0;
    bool cut_ = false;
};

// One unit of a string argument turned into the output's width.
inline char ToNarrow(char unit) {
    return unit;
}
inline WideChar ToWide(char unit) {
    return static_cast<WideChar>(static_cast<unsigned char>(unit));
}
inline WideChar ToWide(WideChar unit) {
    return unit;
}

// Counts the characters of a string argument as the output will show them (at most `limit`).
template <typename Source, typename Unit>
std::size_t ShownLength(const Source* text, std::size_t limit) {
    std::size_t shown = 0;
    for (std::size_t i = 0; text[i] != Source(0) && shown < limit; ++i) {
        if constexpr (sizeof(Source) == 2 && sizeof(Unit) == 1) {
            auto unit = static_cast<std::uint16_t>(text[i]);
            auto next = static_cast<std::uint16_t>(text[i + 1]);
            if (unit >= 0xD800 && unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) ++i;
        }
        ++shown;
    }
    return shown;
}

// Appends up to `count` characters of a string argument.
template <typename Source, typename Unit>
void PutString(Sink<Unit>& sink, const Source* text, std::size_t count) {
    std::size_t shown = 0;
    for (std::size_t i = 0; text[i] != Source(0) && shown < count; ++i, ++shown) {
        if constexpr (sizeof(Unit) == 1 && sizeof(Source) == 2) {
            auto unit = static_cast<std::uint16_t>(text[i]);
            auto next = static_cast<std::uint16_t>(text[i + 1]);
            if (unit >= 0xD800 && unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) ++i;
            sink.Put(unit <= 0xFF ? static_cast<char>(unit) : '?');
        } else if constexpr (sizeof(Unit) == 1) {
            sink.Put(ToNarrow(text[i]));
        } else {
            sink.Put(ToWide(text[i]));
        }
    }
}

template <typename Unit, typename Source>
void FormatString(Sink<Unit>& sink, const Source* text, bool leftJustify, std::size_t width, bool hasPrecision,
                  std::size_t precision) {
    static const Source kNull[] = {Source('('), Source('n'), Source('u'), Source('l'),
                                   Source('l'), Source(')'), Source(0)};
    if (text == nullptr) text = kNull;
    std::size_t length = ShownLength<Source, Unit>(text, hasPrecision ? precision : SIZE_MAX);
    std::size_t padding = width > length ? width - length : 0;
    if (!leftJustify) sink.Repeat(Unit(' '), padding);
    PutString(sink, text, length);
    if (leftJustify) sink.Repeat(Unit(' '), padding);
}

struct Number {
    std::uint64_t magnitude = 0;
    bool negative = false;
};

template <typename Unit>
void FormatNumber(Sink<Unit>& sink, Number number, bool hexadecimal, bool upper, bool leftJustify, bool zeroPad,
                  std::size_t width, bool hasPrecision, std::size_t precision) {
    char digits[24];
    std::size_t count = 0;
    const char* alphabet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    const std::uint64_t base = hexadecimal ? 16 : 10;
    std::uint64_t value = number.magnitude;
    while (value != 0) {
        // cppcheck-suppress zerodivcond ; base is 10 or 16
        digits[count++] = alphabet[value % base];
        value /= base;
    }
    // Precision is the minimum number of digits; a zero with precision 0 prints no digit.
    std::size_t minimum = hasPrecision ? precision : 1;
    std::size_t zeros = minimum > count ? minimum - count : 0;
    std::size_t length = count + zeros + (number.negative ? 1 : 0);
    std::size_t padding = width > length ? width - length : 0;
    if (zeroPad && !leftJustify && !hasPrecision) {
        zeros += padding;
        padding = 0;
    }
    if (!leftJustify) sink.Repeat(Unit(' '), padding);
    if (number.negative) sink.Put(Unit('-'));
    sink.Repeat(Unit('0'), zeros);
    while (count > 0) sink.Put(Unit(digits[--count]));
    if (leftJustify) sink.Repeat(Unit(' '), padding);
}

enum class Length { None, Short, Long, LongLong, Size };

template <typename Unit>
FailureCode Format(Unit* buffer, std::size_t capacity, const Unit* format, va_list args) {
    if (buffer == nullptr || capacity == 0 || capacity > kMaxCapacity) return kInvalidArgument;
    Sink<Unit> sink(buffer, capacity);
    if (format == nullptr) return sink.Finish(true);

    const Unit* at = format;
    while (*at != Unit(0) && !sink.cut()) {
        if (*at != Unit('%')) {
            sink.Put(*at++);
            continue;
        }
        ++at;
        bool leftJustify = false;
        bool zeroPad = false;
        for (;; ++at) {
            if (*at == Unit('-'))
                leftJustify = true;
            else if (*at == Unit('0'))
                zeroPad = true;
            else
                break;
        }
        std::size_t width = 0;
        if (*at == Unit('*')) {
            int given = va_arg(args, int);
            if (given < 0) {
                leftJustify = true;
                width = static_cast<std::size_t>(-static_cast<long long>(given));
            } else {
                width = static_cast<std::size_t>(given);
            }
            ++at;
        } else {
            while (*at >= Unit('0') && *at <= Unit('9')) {
                width = width * 10 + static_cast<std::size_t>(*at - Unit('0'));
                if (width > kMaxCapacity) return sink.Finish(true);
                ++at;
            }
        }
        bool hasPrecision = false;
        std::size_t precision = 0;
        if (*at == Unit('.')) {
            hasPrecision = true;
            ++at;
            if (*at == Unit('*')) {
                int given = va_arg(args, int);
                if (given < 0)
                    hasPrecision = false;  // a negative precision is taken as none
                else
                    precision = static_cast<std::size_t>(given);
                ++at;
            } else {
                while (*at >= Unit('0') && *at <= Unit('9')) {
                    precision = precision * 10 + static_cast<std::size_t>(*at - Unit('0'));
                    if (precision > kMaxCapacity) return sink.Finish(true);
                    ++at;
                }
            }
        }
        Length length = Length::None;
        if (*at == Unit('h')) {
            length = Length::Short;
            ++at;
        } else if (*at == Unit('l')) {
            length = Length::Long;
            ++at;
            if (*at == Unit('l')) {
                length = Length::LongLong;
                ++at;
            }
        } else if (*at == Unit('z')) {
            length = Length::Size;
            ++at;
        }

        const Unit conversion = *at;
        if (conversion == Unit(0)) return sink.Finish(true);
        ++at;
        // Whether a string or character conversion takes 8-bit text.
        constexpr bool kOwnWidthIsNarrow = sizeof(Unit) == 1;
        const auto code = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Unit>>(conversion));
        switch (code < 0x80 ? static_cast<char>(code) : '?') {
            case '%':
                sink.Put(Unit('%'));
                break;
            case 's':
            case 'S': {
                bool narrow = length == Length::Short   ? true
                              : length == Length::Long  ? false
                              : conversion == Unit('s') ? kOwnWidthIsNarrow
                                                        : !kOwnWidthIsNarrow;
                if (narrow) {  // NOLINT(bugprone-branch-clone): the branches read different types
                    FormatString(sink, va_arg(args, const char*), leftJustify, width, hasPrecision, precision);
                } else {
                    FormatString(sink, va_arg(args, const WideChar*), leftJustify, width, hasPrecision, precision);
                }
                break;
            }
            case 'c':
            case 'C': {
                bool narrow = length == Length::Short   ? true
                              : length == Length::Long  ? false
                              : conversion == Unit('c') ? kOwnWidthIsNarrow
                                                        : !kOwnWidthIsNarrow;
                int promoted = va_arg(args, int);
                if (narrow) {
                    const char text[2] = {static_cast<char>(promoted), '\0'};
                    // A character is shown even when it is the terminator's value.
                    if (text[0] == '\0')
                        sink.Put(Unit(0));
                    else
                        FormatString(sink, text, leftJustify, width, false, 0);
                } else {
                    const WideChar text[2] = {static_cast<WideChar>(promoted), WideChar(0)};
                    if (text[0] == WideChar(0))
                        sink.Put(Unit(0));
                    else
                        FormatString(sink, text, leftJustify, width, false, 0);
                }
                break;
            }
            case 'd':
            case 'i': {
                long long value;
                switch (length) {
                    case Length::Short:
                        value = static_cast<short>(va_arg(args, int));
                        break;
                    case Length::Long:
                        value = va_arg(args, long);
                        break;
                    case Length::LongLong:
                        value = va_arg(args, long long);
                        break;
                    case Length::Size:
                        value = static_cast<long long>(va_arg(args, std::size_t));
                        break;
                    default:
                        value = va_arg(args, int);
                        break;
                }
                Number number;
                number.negative = value < 0;
                number.magnitude =
                    number.negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
                FormatNumber(sink, number, false, false, leftJustify, zeroPad, width, hasPrecision, precision);
                break;
            }
            case 'u':
            case 'x':
            case 'X': {
                Number number;
                switch (length) {
                    case Length::Short:
                        number.magnitude = static_cast<unsigned short>(va_arg(args, unsigned));
                        break;
                    case Length::Long:
                        number.magnitude = va_arg(args, unsigned long);
                        break;
                    case Length::LongLong:
                        number.magnitude = va_arg(args, unsigned long long);
                        break;
                    case Length::Size:
                        number.magnitude = va_arg(args, std::size_t);
                        break;
                    default:
                        number.magnitude = va_arg(args, unsigned);
                        break;
                }
                FormatNumber(sink, number, conversion != Unit('u'), conversion == Unit('X'), leftJustify, zeroPad,
                             width, hasPrecision, precision);
                break;
            }
            default:
                // Unknown conversion: its argument's type is unknown, so nothing after it can be
                // read safely.
                return sink.Finish(true);
        }
    }
    return sink.Finish(false);
}

template <typename Unit>
FailureCode Copy(Unit* buffer, std::size_t capacity, const Unit* source) {
    if (buffer == nullptr || capacity == 0 || capacity > kMaxCapacity) return kInvalidArgument;
    Sink<Unit> sink(buffer, capacity);
    if (source == nullptr) {
        sink.Finish(false);
        return kInvalidArgument;
    }
    for (const Unit* at = source; *at != Unit(0); ++at) {
        sink.Put(*at);
        if (sink.cut()) break;  // the rest of a long source need not be walked
    }
    return sink.Finish(false);
}

}  // namespace

FailureCode FormatBoundedV(char* buffer, std::size_t capacity, const char* format, va_list args) {
    return Format(buffer, capacity, format, args);
}

FailureCode FormatBoundedV(WideChar* buffer, std::size_t capacity, const WideChar* format, va_list args) {
    return Format(buffer, capacity, format, args);
}

FailureCode FormatBounded(char* buffer, std::size_t capacity, const char* format, ...) {  // NOLINT(cert-dcl50-cpp)
    va_list args;
    va_start(args, format);
    FailureCode result = Format(buffer, capacity, format, args);
    va_end(args);
    return result;
}

FailureCode FormatBounded(WideChar* buffer, std::size_t capacity, const WideChar* format,  // NOLINT(cert-dcl50-cpp)
                          ...) {
    va_list args;
    va_start(args, format);
    FailureCode result = Format(buffer, capacity, format, args);
    va_end(args);
    return result;
}

FailureCode CopyBounded(char* buffer, std::size_t capacity, const char* source) {
    return Copy(buffer, capacity, source);
}

FailureCode CopyBounded(WideChar* buffer, std::size_t capacity, const WideChar* source) {
    return Copy(buffer, capacity, source);
}

}  // namespace brimsett::text
