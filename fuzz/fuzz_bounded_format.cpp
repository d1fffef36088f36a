// Fuzz target: the bounded formatter and the bounded copy of the custom-action runtime.
//
// Input: a capacity (two bytes), the arguments (two 8-bit strings, a UTF-16 string, and the
// numbers and the character), then the format as tokens: a plain byte is literal text, and a
// byte 0xF0 to 0xFF starts a conversion whose flags, width, precision and letter the following
// bytes choose. The conversions take the arguments in a fixed order of types, so that every
// format that the fuzzer builds matches its arguments; one token makes a malformed conversion
// (an unknown letter such as %n, or a format that ends inside a conversion), after which the
// format ends.
//
// Properties:
// - with space enough the text is the C library's snprintf text for the same format and
//   arguments (UTF-16 text going in as its units up to U+00FF and "?" for every other
//   character), and the result is success, or truncation for a malformed conversion;
// - with any capacity from 1 up, nothing is written past the capacity (each buffer is a heap
//   block of exactly that size), the text is always terminated, it is the first capacity - 1
//   characters of the full text, and the result is truncation exactly when characters were cut
//   or the format was malformed;
// - a text argument with a precision may end with the characters the precision lets through,
//   without a terminator (a heap block of exactly those units): the text is the same;
// - a capacity of 0 or above 0x7FFFFFFF writes nothing and gives the invalid-argument code;
// - the bounded copy follows the same rules for plain text.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "fuzz_check.h"
#include "runtime/bounded_format.h"

namespace {

using brimsett::kInvalidArgument;
using brimsett::kSuccess;
using brimsett::kTruncated;
using brimsett::text::CopyBounded;
using brimsett::text::FormatBounded;
using brimsett::text::WideChar;
using Wide = std::basic_string<WideChar>;

// The type of each argument, in the order the conversions take them.
enum class Slot { kNarrowText, kInt, kWideText, kUnsigned, kChar, kLongLong, kSize, kNarrowText2, kCount };

struct Arguments {
    std::string narrow1, narrow2;
    Wide wide;
    bool narrow1Null = false;
    int number = 0;
    unsigned unsignedNumber = 0;
    int character = 'x';
    long long longNumber = 0;
    std::size_t size = 0;
};

struct Formats {
    std::string narrow;     // our format
    std::string reference;  // the same for snprintf, every string argument taken as 8-bit text
    bool malformed = false;
    // The precisions of the first 8-bit text and of the UTF-16 text, when the format gives them.
    std::optional<std::size_t> narrow1Precision, widePrecision;
};

// UTF-16 text as the output shows it.
std::string AsNarrowOutput(const Wide& text) {
    std::string narrow;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto unit = static_cast<std::uint16_t>(text[i]);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i;
        }
        narrow.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
    }
    return narrow;
}

void Append(Formats& formats, const std::string& both) {
    formats.narrow += both;
    formats.reference += both;
}

Formats BuildFormats(fuzz::InputReader& input) {
    Formats formats;
    int slot = 0;
    while (!input.empty()) {
        const std::uint8_t token = input.Byte();
        if (token == 0) continue;
        if (token < 0xF0) {
            const std::string literal = token == '%' ? "%%" : std::string(1, static_cast<char>(token));
            Append(formats, literal);
            continue;
        }
        if (token == 0xFF) {
            static const char* const kMalformed[] = {"%", "%q", "%n", "%-05", "%.3", "%l", "%hh", "%lq", "%0", "%Z"};
            Append(formats, kMalformed[input.Byte() % (sizeof kMalformed / sizeof kMalformed[0])]);
            formats.malformed = true;
            return formats;
        }
        if (slot >= static_cast<int>(Slot::kCount)) continue;
        const auto type = static_cast<Slot>(slot++);
        const std::uint8_t flags = input.Byte();
        const bool isText = type == Slot::kNarrowText || type == Slot::kWideText || type == Slot::kNarrowText2;
        const bool isChar = type == Slot::kChar;
        std::string conversion = "%";
        if (flags & 1) conversion += '-';
        if ((flags & 2) && !isText && !isChar) conversion += '0';
        if (flags & 4) conversion += std::to_string(input.Byte() + ((flags & 8) ? 256 * (input.Byte() % 8) : 0));
        if ((flags & 16) && !isChar) {
            const std::uint8_t precision = input.Byte();
            conversion += '.';
            conversion += std::to_string(precision);
            if (type == Slot::kNarrowText) formats.narrow1Precision = precision;
            if (type == Slot::kWideText) formats.widePrecision = precision;
        }
        const bool alternative = (flags & 32) != 0;
        std::string narrowConversion = conversion, referenceConversion = conversion;
        switch (type) {
            case Slot::kNarrowText:
            case Slot::kNarrowText2:
                narrowConversion += alternative ? "hs" : "s";
                referenceConversion += "s";
                break;
            case Slot::kWideText:
                narrowConversion += alternative ? "ls" : "S";
                referenceConversion += "s";
                break;
            case Slot::kInt: {
                const char* letter = (flags & 64) ? "hd" : (alternative ? "i" : "d");
                narrowConversion += letter, referenceConversion += letter;
                break;
            }
            case Slot::kUnsigned: {
                const char* letter = (flags & 64) ? "X" : (alternative ? "x" : "u");
                narrowConversion += letter, referenceConversion += letter;
                break;
            }
            case Slot::kChar:
                narrowConversion += alternative ? "hc" : "c", referenceConversion += "c";
                break;
            case Slot::kLongLong: {
                const char* letter = (flags & 64) ? "llx" : (alternative ? "lli" : "lld");
                narrowConversion += letter, referenceConversion += letter;
                break;
            }
            case Slot::kSize: {
                const char* letter = (flags & 64) ? "zX" : "zu";
                narrowConversion += letter, referenceConversion += letter;
                break;
            }
            case Slot::kCount:
                break;
        }
        formats.narrow += narrowConversion;
        formats.reference += referenceConversion;
    }
    return formats;
}

brimsett::FailureCode Run(char* buffer, std::size_t capacity, const char* format, const Arguments& a,
                          const char* narrow1, const WideChar* wide) {
    return FormatBounded(buffer, capacity, format, narrow1, a.number, wide, a.unsignedNumber, a.character, a.longNumber,
                         a.size, a.narrow2.c_str());
}
brimsett::FailureCode Run(char* buffer, std::size_t capacity, const char* format, const Arguments& a) {
    return Run(buffer, capacity, format, a, a.narrow1Null ? nullptr : a.narrow1.c_str(), a.wide.c_str());
}

// The units of a UTF-16 text that its first `characters` characters need, a surrogate pair being
// one character; the last character's low half is left out, since nothing follows it that needs it.
std::size_t UnitsOfCharacters(const Wide& text, std::size_t characters) {
    std::size_t units = 0;
    for (std::size_t shown = 0; shown < characters && units < text.size(); ++shown) {
        const auto unit = static_cast<std::uint16_t>(text[units++]);
        const bool pair =
            unit >= 0xD800 && unit <= 0xDBFF && units < text.size() && text[units] >= 0xDC00 && text[units] <= 0xDFFF;
        if (pair && shown + 1 < characters) ++units;
    }
    return units;
}

// With a precision, a text argument that has at least that many characters becomes a heap block of
// exactly the units those characters need, without a terminator: the text is the same, and nothing
// past the block is read.
void CheckPrecisionBoundsTheRead(const Formats& formats, const Arguments& arguments, const std::string& full) {
    if (formats.malformed) return;
    const char* narrow1 = arguments.narrow1Null ? nullptr : arguments.narrow1.c_str();
    std::unique_ptr<char[]> narrowBlock;
    if (formats.narrow1Precision && narrow1 != nullptr && arguments.narrow1.size() >= *formats.narrow1Precision) {
        narrowBlock.reset(new char[*formats.narrow1Precision]);
        std::copy_n(narrow1, *formats.narrow1Precision, narrowBlock.get());
        narrow1 = narrowBlock.get();
    }
    const WideChar* wide = arguments.wide.c_str();
    std::unique_ptr<WideChar[]> wideBlock;
    if (formats.widePrecision && AsNarrowOutput(arguments.wide).size() >= *formats.widePrecision) {
        const std::size_t units = UnitsOfCharacters(arguments.wide, *formats.widePrecision);
        wideBlock.reset(new WideChar[units]);
        std::copy_n(wide, units, wideBlock.get());
        wide = wideBlock.get();
    }
    if (!narrowBlock && !wideBlock) return;
    std::string text(full.size() + 1, '\x55');
    FUZZ_CHECK(Run(text.data(), text.size(), formats.narrow.c_str(), arguments, narrow1, wide) == kSuccess);
    FUZZ_CHECK(text.compare(0, full.size(), full) == 0 && text[full.size()] == '\0');
}

// Formats with exactly `capacity` bytes of space and checks it against the full text.
void CheckCapacity(const std::string& format, const Arguments& arguments, const std::string& full, bool malformed,
                   std::size_t capacity) {
    const std::unique_ptr<char[]> buffer(new char[capacity]);
    std::fill(buffer.get(), buffer.get() + capacity, char(0x55));
    const auto result = Run(buffer.get(), capacity, format.c_str(), arguments);
    const std::size_t shown = std::min(full.size(), capacity - 1);
    const bool cut = full.size() > capacity - 1;
    FUZZ_CHECK(result == ((cut || malformed) ? kTruncated : kSuccess));
    FUZZ_CHECK(std::equal(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(shown), buffer.get()));
    FUZZ_CHECK(buffer[shown] == '\0');
}

void CheckCapacities(const std::string& format, const Arguments& arguments, const std::string& full, bool malformed,
                     std::size_t chosen) {
    for (std::size_t capacity :
         {std::size_t{1}, std::size_t{2}, full.size(), full.size() + 1, full.size() + 2, chosen}) {
        if (capacity >= 1) CheckCapacity(format, arguments, full, malformed, capacity);
    }
}

void CheckInvalidCapacities(const std::string& format, const Arguments& arguments) {
    char guard[2] = {char(0x55), char(0x55)};
    FUZZ_CHECK(Run(guard, 0, format.c_str(), arguments) == kInvalidArgument);
    FUZZ_CHECK(Run(guard, std::size_t{0x80000000u}, format.c_str(), arguments) == kInvalidArgument);
    FUZZ_CHECK(guard[0] == char(0x55) && guard[1] == char(0x55));
}

void CheckCopy(const std::string& source, std::size_t chosen) {
    for (std::size_t capacity : {std::size_t{1}, source.size(), source.size() + 1, chosen}) {
        if (capacity == 0) continue;
        const std::unique_ptr<char[]> buffer(new char[capacity]);
        const auto result = CopyBounded(buffer.get(), capacity, source.c_str());
        const std::size_t shown = std::min(source.size(), capacity - 1);
        FUZZ_CHECK(result == (source.size() > capacity - 1 ? kTruncated : kSuccess));
        FUZZ_CHECK(std::equal(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(shown), buffer.get()));
        FUZZ_CHECK(buffer[shown] == '\0');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::size_t chosen = 1 + input.Unit16() % 3000;
    Arguments arguments;
    arguments.narrow1 = std::string(input.BytesUntil(0).substr(0, 300));
    arguments.narrow1Null = !arguments.narrow1.empty() && arguments.narrow1[0] == '\x01';
    arguments.narrow2 = std::string(input.BytesUntil(0).substr(0, 300));
    const std::size_t wideLength = input.Byte() % 64;
    for (std::size_t i = 0; i < wideLength; ++i) {
        const std::uint16_t unit = input.Unit16();
        if (unit != 0) arguments.wide.push_back(static_cast<WideChar>(unit));
    }
    arguments.number = static_cast<int>(input.Unit16() | (static_cast<unsigned>(input.Unit16()) << 16));
    arguments.unsignedNumber = static_cast<unsigned>(input.Unit16() | (static_cast<unsigned>(input.Unit16()) << 16));
    arguments.character = 1 + input.Byte() % 255;
    arguments.longNumber =
        static_cast<long long>(static_cast<std::uint64_t>(arguments.unsignedNumber) << 31) ^ arguments.number;
    arguments.size = static_cast<std::size_t>(arguments.longNumber) ^ input.Byte();

    const Formats formats = BuildFormats(input);

    // The full text, from the C library: every UTF-16 argument is first turned into what the
    // output shows.
    const std::string shownWide = AsNarrowOutput(arguments.wide);
    const char* narrow1 = arguments.narrow1Null ? "(null)" : arguments.narrow1.c_str();
    // A malformed tail ends the text where it starts, and snprintf is never shown it (%n!).
    std::string reference = formats.reference;
    if (formats.malformed) reference.resize(reference.rfind('%'));
    const int length = std::snprintf(nullptr, 0, reference.c_str(), narrow1, arguments.number, shownWide.c_str(),
                                     arguments.unsignedNumber, arguments.character, arguments.longNumber,
                                     arguments.size, arguments.narrow2.c_str());
    FUZZ_CHECK(length >= 0);
    std::string full(static_cast<std::size_t>(length) + 1, '\0');
    (void)std::snprintf(full.data(), full.size(), reference.c_str(), narrow1, arguments.number, shownWide.c_str(),
                        arguments.unsignedNumber, arguments.character, arguments.longNumber, arguments.size,
                        arguments.narrow2.c_str());
    full.resize(static_cast<std::size_t>(length));

    CheckCapacities(formats.narrow, arguments, full, formats.malformed, chosen);
    CheckInvalidCapacities(formats.narrow, arguments);
    CheckPrecisionBoundsTheRead(formats, arguments, full);

    CheckCopy(arguments.narrow2, chosen);
    return 0;
}
