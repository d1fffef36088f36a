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
// Properties, in both the 8-bit and the UTF-16 form:
// - with space enough the text is the C library's snprintf text for the same format and
//   arguments (UTF-16 text going into 8-bit output as its units up to U+00FF and "?" for every
//   other character), and the result is success, or truncation for a malformed conversion;
// - with any capacity from 1 up, nothing is written past the capacity (each buffer is a heap
//   block of exactly that size), the text is always terminated, it is the first capacity - 1
//   characters of the full text, and the result is truncation exactly when characters were cut
//   or the format was malformed;
// - a capacity of 0 or above 0x7FFFFFFF writes nothing and gives the invalid-argument code;
// - the bounded copy follows the same rules for plain text.
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
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
    std::string narrow;     // our 8-bit format
    Wide wide;              // our UTF-16 format
    std::string reference;  // the same for snprintf, every string argument taken as 8-bit text
    bool malformed = false;
};

Wide Widen(std::string_view text) {
    Wide wide;
    for (char c : text) wide.push_back(static_cast<WideChar>(static_cast<unsigned char>(c)));
    return wide;
}

// UTF-16 text as the 8-bit output shows it.
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
    formats.wide += Widen(both);
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
            conversion += '.';
            conversion += std::to_string(input.Byte());
        }
        const bool alternative = (flags & 32) != 0;
        std::string narrowConversion = conversion, wideConversion = conversion, referenceConversion = conversion;
        switch (type) {
            case Slot::kNarrowText:
            case Slot::kNarrowText2:
                narrowConversion += alternative ? "hs" : "s";
                wideConversion += alternative ? "hs" : "S";
                referenceConversion += "s";
                break;
            case Slot::kWideText:
                narrowConversion += alternative ? "ls" : "S";
                wideConversion += alternative ? "ls" : "s";
                referenceConversion += "s";
                break;
            case Slot::kInt: {
                const char* letter = (flags & 64) ? "hd" : (alternative ? "i" : "d");
                narrowConversion += letter, wideConversion += letter, referenceConversion += letter;
                break;
            }
            case Slot::kUnsigned: {
                const char* letter = (flags & 64) ? "X" : (alternative ? "x" : "u");
                narrowConversion += letter, wideConversion += letter, referenceConversion += letter;
                break;
            }
            case Slot::kChar:
                narrowConversion += "c", wideConversion += "hc", referenceConversion += "c";
                break;
            case Slot::kLongLong: {
                const char* letter = (flags & 64) ? "llx" : (alternative ? "lli" : "lld");
                narrowConversion += letter, wideConversion += letter, referenceConversion += letter;
                break;
            }
            case Slot::kSize: {
                const char* letter = (flags & 64) ? "zX" : "zu";
                narrowConversion += letter, wideConversion += letter, referenceConversion += letter;
                break;
            }
            case Slot::kCount:
                break;
        }
        formats.narrow += narrowConversion;
        formats.wide += Widen(wideConversion);
        formats.reference += referenceConversion;
    }
    return formats;
}

template <typename Unit>
brimsett::FailureCode Run(Unit* buffer, std::size_t capacity, const Unit* format, const Arguments& a) {
    return FormatBounded(buffer, capacity, format, a.narrow1Null ? nullptr : a.narrow1.c_str(), a.number,
                         a.wide.c_str(), a.unsignedNumber, a.character, a.longNumber, a.size, a.narrow2.c_str());
}

// Formats with exactly `capacity` units of space and checks it against the full text.
template <typename Unit>
void CheckCapacity(const std::basic_string<Unit>& format, const Arguments& arguments,
                   const std::basic_string<Unit>& full, bool malformed, std::size_t capacity) {
    const std::unique_ptr<Unit[]> buffer(new Unit[capacity]);
    std::fill(buffer.get(), buffer.get() + capacity, Unit(0x55));
    const auto result = Run(buffer.get(), capacity, format.c_str(), arguments);
    const std::size_t shown = std::min(full.size(), capacity - 1);
    const bool cut = full.size() > capacity - 1;
    FUZZ_CHECK(result == ((cut || malformed) ? kTruncated : kSuccess));
    FUZZ_CHECK(std::equal(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(shown), buffer.get()));
    FUZZ_CHECK(buffer[shown] == Unit(0));
}

template <typename Unit>
void CheckCapacities(const std::basic_string<Unit>& format, const Arguments& arguments,
                     const std::basic_string<Unit>& full, bool malformed, std::size_t chosen) {
    for (std::size_t capacity :
         {std::size_t{1}, std::size_t{2}, full.size(), full.size() + 1, full.size() + 2, chosen}) {
        if (capacity >= 1) CheckCapacity(format, arguments, full, malformed, capacity);
    }
}

template <typename Unit>
void CheckInvalidCapacities(const std::basic_string<Unit>& format, const Arguments& arguments) {
    Unit guard[2] = {Unit(0x55), Unit(0x55)};
    FUZZ_CHECK(Run(guard, 0, format.c_str(), arguments) == kInvalidArgument);
    FUZZ_CHECK(Run(guard, std::size_t{0x80000000u}, format.c_str(), arguments) == kInvalidArgument);
    FUZZ_CHECK(guard[0] == Unit(0x55) && guard[1] == Unit(0x55));
}

template <typename Unit>
void CheckCopy(const std::basic_string<Unit>& source, std::size_t chosen) {
    for (std::size_t capacity : {std::size_t{1}, source.size(), source.size() + 1, chosen}) {
        if (capacity == 0) continue;
        const std::unique_ptr<Unit[]> buffer(new Unit[capacity]);
        const auto result = CopyBounded(buffer.get(), capacity, source.c_str());
        const std::size_t shown = std::min(source.size(), capacity - 1);
        FUZZ_CHECK(result == (source.size() > capacity - 1 ? kTruncated : kSuccess));
        FUZZ_CHECK(std::equal(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(shown), buffer.get()));
        FUZZ_CHECK(buffer[shown] == Unit(0));
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

    // The full texts, from the C library: every UTF-16 argument is first turned into what the
    // 8-bit output shows, or, for the UTF-16 form, taken unit for unit when all of them fit in
    // 8 bits.
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

    bool wideFitsInEightBits = true;
    for (WideChar unit : arguments.wide) wideFitsInEightBits = wideFitsInEightBits && unit <= 0xFF;
    if (wideFitsInEightBits) {
        CheckCapacities(formats.wide, arguments, Widen(full), formats.malformed, chosen);
    } else {
        // Without a reference, the text with space to spare is the full text.
        std::unique_ptr<WideChar[]> spacious(new WideChar[1 << 16]);
        const auto result = Run(spacious.get(), 1 << 16, formats.wide.c_str(), arguments);
        const Wide whole(spacious.get());
        if (result == kSuccess || formats.malformed) {
            CheckCapacities(formats.wide, arguments, whole, formats.malformed, chosen);
        }
    }
    CheckInvalidCapacities(formats.wide, arguments);

    CheckCopy(arguments.narrow2, chosen);
    CheckCopy(arguments.wide, chosen);
    return 0;
}
