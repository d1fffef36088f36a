#include "runtime/bounded_format.h"

#include <cstdint>
#include <type_traits>

namespace brimsett::text {
namespace {

// Writes into a bounded buffer and remembers whether anything had to be dropped.
class Sink {
public:
    Sink(char* buffer, std::size_t capacity) : buffer_(buffer), limit_(capacity - 1) {}

    void Put(char unit) {
        if (written_ < limit_)
            buffer_[written_++] = unit;
        else
            cut_ = true;
    }
    void Repeat(char unit, std::size_t count) {
        for (std::size_t i = 0; i < count && !cut_; ++i) Put(unit);
    }
    bool cut() const { return cut_; }
    FailureCode Finish(bool malformed) {
        buffer_[written_] = '\0';
        return (cut_ || malformed) ? kTruncated : kSuccess;
    }

private:
    char* buffer_;
    std::size_t limit_;
    std::size_t written_ = 0;
    bool cut_ = false;
};

// The arguments, read in order. Held in a struct so that every step can take them by reference,
// whatever type va_list is on the platform.
struct Arguments {
    va_list list;
};

enum class Length { kNone, kShort, kLong, kLongLong, kSize };

// One conversion as the format spells it.
struct Conversion {
    bool leftJustify = false;
    bool zeroPad = false;
    std::size_t width = 0;
    bool hasPrecision = false;
    std::size_t precision = 0;
    Length length = Length::kNone;
    char letter = '\0';
};

// Reads a width or a precision: "*" takes the next int argument with its sign, which the caller
// interprets; otherwise decimal digits. False when the digits grow past the largest capacity.
bool ReadCount(const char*& at, Arguments& arguments, long long& value) {
    if (*at == '*') {
        ++at;
        value = va_arg(arguments.list, int);
        return true;
    }
    for (; *at >= '0' && *at <= '9'; ++at) {
        value = value * 10 + (*at - '0');
        if (value > static_cast<long long>(kMaxCapacity)) return false;
    }
    return true;
}

Length ReadLength(const char*& at) {
    if (*at == 'h' || *at == 'z') return *at++ == 'h' ? Length::kShort : Length::kSize;
    if (*at != 'l') return Length::kNone;
    if (*++at != 'l') return Length::kLong;
    ++at;
    return Length::kLongLong;
}

// Parses the conversion after a percent sign and leaves `at` behind its letter. False when the
// format ends inside it or a width or precision is too large.
bool ParseConversion(const char*& at, Arguments& arguments, Conversion& conversion) {
    for (;; ++at) {
        if (*at == '-')
            conversion.leftJustify = true;
        else if (*at == '0')
            conversion.zeroPad = true;
        else
            break;
    }
    long long width = 0;
    if (!ReadCount(at, arguments, width)) return false;
    conversion.leftJustify = conversion.leftJustify || width < 0;  // a negative "*" width left-justifies
    conversion.width = static_cast<std::size_t>(width < 0 ? -width : width);
    if (*at == '.') {
        ++at;
        long long precision = 0;
        if (!ReadCount(at, arguments, precision)) return false;
        conversion.hasPrecision = precision >= 0;  // a negative "*" precision is taken as none
        conversion.precision = conversion.hasPrecision ? static_cast<std::size_t>(precision) : 0;
    }
    conversion.length = ReadLength(at);
    conversion.letter = *at;
    if (conversion.letter == '\0') return false;
    ++at;
    return true;
}

// Reads a text character by character as the 8-bit output shows it. A UTF-16 unit up to U+00FF
// keeps its byte; any other character, a surrogate pair being one, shows as "?". Nothing is read
// beyond the characters asked for: the unit after a high surrogate is looked at only when the next
// character is wanted (a low surrogate there completes the pair and is stepped over), so a
// precision of N reads N characters of a text that need not go on after them.
template <typename Source>
class TextReader {
public:
    explicit TextReader(const Source* text) : text_(text) {}

    bool AtEnd() {
        StepOverLowHalf();
        return text_[at_] == Source(0);
    }
    char Take() {
        StepOverLowHalf();
        if constexpr (std::is_same_v<Source, char>) {
            return text_[at_++];
        } else {
            const auto unit = static_cast<std::uint16_t>(text_[at_++]);
            lowHalfMayFollow_ = unit >= 0xD800 && unit <= 0xDBFF;
            return unit <= 0xFF ? static_cast<char>(unit) : '?';
        }
    }

private:
    void StepOverLowHalf() {
        if constexpr (!std::is_same_v<Source, char>) {
            if (!lowHalfMayFollow_) return;
            lowHalfMayFollow_ = false;
            const auto unit = static_cast<std::uint16_t>(text_[at_]);
            if (unit >= 0xDC00 && unit <= 0xDFFF) ++at_;
        }
    }

    const Source* text_;
    std::size_t at_ = 0;
    bool lowHalfMayFollow_ = false;
};

// Puts at most `limit` characters of the text, padded with spaces to the width. The limit is
// tested before each character is read.
template <typename Source>
void PutPadded(Sink& sink, const Source* text, const Conversion& conversion, std::size_t limit) {
    std::size_t length = 0;
    for (TextReader<Source> reader(text); length < limit && !reader.AtEnd(); ++length) reader.Take();
    const std::size_t padding = conversion.width > length ? conversion.width - length : 0;
    if (!conversion.leftJustify) sink.Repeat(' ', padding);
    TextReader<Source> reader(text);
    for (std::size_t shown = 0; shown < length; ++shown) sink.Put(reader.Take());
    if (conversion.leftJustify) sink.Repeat(' ', padding);
}

// Whether a text or character conversion takes 8-bit text: "h" says so and "l" says UTF-16;
// otherwise the lower-case letters take 8-bit and the capitals UTF-16.
bool TakesNarrow(const Conversion& conversion) {
    if (conversion.length == Length::kShort) return true;
    if (conversion.length == Length::kLong) return false;
    return conversion.letter == 's' || conversion.letter == 'c';
}

template <typename Source>
void PutText(Sink& sink, const Source* text, const Conversion& conversion) {
    const std::size_t limit = conversion.hasPrecision ? conversion.precision : SIZE_MAX;
    if (text == nullptr)
        PutPadded(sink, "(null)", conversion, limit);
    else
        PutPadded(sink, text, conversion, limit);
}

void FormatText(Sink& sink, const Conversion& conversion, Arguments& arguments) {
    if (TakesNarrow(conversion))  // NOLINT(bugprone-branch-clone): the branches read different types
        PutText(sink, va_arg(arguments.list, const char*), conversion);
    else
        PutText(sink, va_arg(arguments.list, const WideChar*), conversion);
}

template <typename Source>
void PutCharacter(Sink& sink, Source character, const Conversion& conversion) {
    // A character is shown even when it is the terminator's value (then without padding).
    if (character == Source(0)) {
        sink.Put('\0');
        return;
    }
    const Source text[2] = {character, Source(0)};
    PutPadded(sink, text, conversion, SIZE_MAX);  // a precision does not apply to a character
}

void FormatCharacter(Sink& sink, const Conversion& conversion, Arguments& arguments) {
    const int promoted = va_arg(arguments.list, int);
    if (TakesNarrow(conversion))
        PutCharacter(sink, static_cast<char>(promoted), conversion);
    else
        PutCharacter(sink, static_cast<WideChar>(promoted), conversion);
}

// Puts a number: sign, zeros up to the precision (the minimum number of digits, where a zero with
// precision 0 shows no digit) or, with "0" and no precision, up to the width; then the digits.
void FormatNumber(Sink& sink, std::uint64_t magnitude, bool negative, const Conversion& conversion) {
    const bool hexadecimal = conversion.letter == 'x' || conversion.letter == 'X';
    const char* alphabet = conversion.letter == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    const std::uint64_t base = hexadecimal ? 16 : 10;
    char digits[24];
    std::size_t count = 0;
    for (; magnitude != 0; magnitude /= base) digits[count++] = alphabet[magnitude % base];
    const std::size_t minimum = conversion.hasPrecision ? conversion.precision : 1;
    std::size_t zeros = minimum > count ? minimum - count : 0;
    const std::size_t length = count + zeros + (negative ? 1 : 0);
    std::size_t padding = conversion.width > length ? conversion.width - length : 0;
    if (conversion.zeroPad && !conversion.leftJustify && !conversion.hasPrecision) {
        zeros += padding;
        padding = 0;
    }
    if (!conversion.leftJustify) sink.Repeat(' ', padding);
    if (negative) sink.Put('-');
    sink.Repeat('0', zeros);
    while (count > 0) sink.Put(digits[--count]);
    if (conversion.leftJustify) sink.Repeat(' ', padding);
}

// Reads a signed argument of the conversion's length.
long long ReadSigned(Length length, Arguments& arguments) {
    switch (length) {
        case Length::kShort:
            return static_cast<short>(va_arg(arguments.list, int));
        case Length::kLong:
            return va_arg(arguments.list, long);
        case Length::kLongLong:
            return va_arg(arguments.list, long long);
        case Length::kSize:
            return static_cast<long long>(va_arg(arguments.list, std::size_t));
        case Length::kNone:
            break;
    }
    return va_arg(arguments.list, int);
}

std::uint64_t ReadUnsigned(Length length, Arguments& arguments) {
    switch (length) {
        case Length::kShort:
            return static_cast<unsigned short>(va_arg(arguments.list, unsigned));
        case Length::kLong:
            return va_arg(arguments.list, unsigned long);
        case Length::kLongLong:
            return va_arg(arguments.list, unsigned long long);
        case Length::kSize:
            return va_arg(arguments.list, std::size_t);
        case Length::kNone:
            break;
    }
    return va_arg(arguments.list, unsigned);
}

void FormatSigned(Sink& sink, const Conversion& conversion, Arguments& arguments) {
    const long long value = ReadSigned(conversion.length, arguments);
    const auto magnitude = static_cast<std::uint64_t>(value);
    FormatNumber(sink, value < 0 ? 0 - magnitude : magnitude, value < 0, conversion);
}

void FormatUnsigned(Sink& sink, const Conversion& conversion, Arguments& arguments) {
    FormatNumber(sink, ReadUnsigned(conversion.length, arguments), false, conversion);
}

// Puts one parsed conversion. False for a letter it does not know: that argument's type is
// unknown, so nothing after it can be read safely.
bool FormatConversion(Sink& sink, const Conversion& conversion, Arguments& arguments) {
    switch (conversion.letter) {
        case '%':
            sink.Put('%');
            return true;
        case 's':
        case 'S':
            FormatText(sink, conversion, arguments);
            return true;
        case 'c':
        case 'C':
            FormatCharacter(sink, conversion, arguments);
            return true;
        case 'd':
        case 'i':
            FormatSigned(sink, conversion, arguments);
            return true;
        case 'u':
        case 'x':
        case 'X':
            FormatUnsigned(sink, conversion, arguments);
            return true;
        default:
            return false;
    }
}

// Puts the format's text and conversions until the end or the first cut. False for a malformed
// or unknown conversion.
bool FormatInto(Sink& sink, const char* format, Arguments& arguments) {
    const char* at = format;
    while (*at != '\0' && !sink.cut()) {
        if (*at != '%') {
            sink.Put(*at++);
            continue;
        }
        ++at;
        Conversion conversion;
        if (!ParseConversion(at, arguments, conversion) || !FormatConversion(sink, conversion, arguments)) return false;
    }
    return true;
}

bool CapacityAccepted(const char* buffer, std::size_t capacity) {
    return buffer != nullptr && capacity != 0 && capacity <= kMaxCapacity;
}

}  // namespace

FailureCode FormatBoundedV(char* buffer, std::size_t capacity, const char* format, va_list args) {
    if (!CapacityAccepted(buffer, capacity)) return kInvalidArgument;
    Sink sink(buffer, capacity);
    if (format == nullptr) return sink.Finish(true);
    Arguments arguments{};
    va_copy(arguments.list, args);
    const bool wellFormed = FormatInto(sink, format, arguments);
    va_end(arguments.list);
    return sink.Finish(!wellFormed);
}

FailureCode FormatBounded(char* buffer, std::size_t capacity, const char* format, ...) {  // NOLINT(cert-dcl50-cpp)
    va_list args;
    va_start(args, format);
    FailureCode result = FormatBoundedV(buffer, capacity, format, args);
    va_end(args);
    return result;
}

FailureCode CopyBounded(char* buffer, std::size_t capacity, const char* source) {
    if (!CapacityAccepted(buffer, capacity)) return kInvalidArgument;
    Sink sink(buffer, capacity);
    if (source == nullptr) {
        sink.Finish(false);
        return kInvalidArgument;
    }
    for (const char* at = source; *at != '\0' && !sink.cut(); ++at) sink.Put(*at);  // a long rest is not walked
    return sink.Finish(false);
}

}  // namespace brimsett::text
