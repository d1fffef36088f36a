// Fuzz target: the composition of an installer log line (log name, format, arguments), which the
// runtime does in two fixed 2048-byte buffers for every line.
//
// Input: the log name up to a zero byte (at most 31 bytes, as the runtime keeps it), then the
// format as tokens: a plain byte is literal text, 0xFE a "%s" that takes the next argument, 0xFF
// a literal percent sign ("%%"). The arguments are eight texts cut from the rest of the input.
//
// Properties: the line always ends inside its 2048-byte buffer (each buffer a heap block of
// exactly that size, so the sanitizers see any write past it); it is the log name shown as
// written (percent signs included), a colon, two spaces and the formatted text, cut to its
// first 2047 characters; an empty log name gives the formatted text alone; the format is never
// read as more conversions than it has, so a percent sign in the name never takes an argument.
#include <algorithm>
#include <cstdarg>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "runtime/log_text.h"

namespace {

constexpr std::size_t kCapacity = brimsett::text::kLogLineCapacity;

// NOLINTNEXTLINE(cert-dcl50-cpp): ComposeLogLine takes a va_list, as the runtime hands it one
void Compose(char* compose, char* line, const char* logName, const char* format, ...) {
    va_list args;
    va_start(args, format);
    brimsett::text::ComposeLogLine(compose, line, logName, format, args);
    va_end(args);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::string logName(input.BytesUntil(0).substr(0, 31));
    std::string format;
    std::string expectedText;
    std::vector<std::string> arguments(8);
    std::size_t used = 0;
    // The arguments come from the end of the input, so the format's bytes stay where they are.
    const std::string_view rest = input.Rest();
    const std::size_t split = rest.size() / 2;
    const std::string_view formatBytes = rest.substr(0, split);
    const std::string_view argumentBytes = rest.substr(split);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::size_t piece = argumentBytes.size() / arguments.size();
        arguments[i] = std::string(argumentBytes.substr(i * piece, piece));
        arguments[i].erase(std::remove(arguments[i].begin(), arguments[i].end(), '\0'), arguments[i].end());
    }
    for (char c : formatBytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0xFE && used < arguments.size()) {
            format += "%s";
            expectedText += arguments[used++];
        } else if (byte == 0xFF || c == '%') {
            format += "%%";
            expectedText += '%';
        } else if (byte != 0 && byte != 0xFE) {
            format += c;
            expectedText += c;
        }
    }

    const std::unique_ptr<char[]> compose(new char[kCapacity]);
    const std::unique_ptr<char[]> line(new char[kCapacity]);
    Compose(compose.get(), line.get(), logName.c_str(), format.c_str(), arguments[0].c_str(), arguments[1].c_str(),
            arguments[2].c_str(), arguments[3].c_str(), arguments[4].c_str(), arguments[5].c_str(),
            arguments[6].c_str(), arguments[7].c_str());

    const std::string full = (logName.empty() ? std::string() : logName + ":  ") + expectedText;
    const std::size_t length = std::char_traits<char>::length(line.get());
    FUZZ_CHECK(length <= kCapacity - 1);
    // The first pass keeps the name and at most 2047 bytes of the format; when the format had to
    // be cut there, the line is a prefix of the full text, otherwise exactly its first 2047.
    const std::string prefix = logName.empty() ? std::string() : [&] {
        std::string doubled;
        for (char c : logName) doubled += c == '%' ? std::string("%%") : std::string(1, c);
        return doubled + ":  ";
    }();
    const bool firstPassCut = prefix.size() + format.size() > kCapacity - 1;
    FUZZ_CHECK(full.compare(0, length, line.get(), length) == 0);
    if (!firstPassCut) FUZZ_CHECK(length == std::min(full.size(), kCapacity - 1));
    return 0;
}
