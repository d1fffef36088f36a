#include "runtime/log_text.h"

namespace brimsett::text {

void ComposeLogLine(char* compose, char* line, const char* logName, const char* format, va_list args) {
    std::size_t used = 0;
    auto put = [&](char c) {
        if (used + 1 < kLogLineCapacity) compose[used++] = c;
    };
    if (logName != nullptr && logName[0] != '\0') {
        for (const char* at = logName; *at != '\0'; ++at) {
            if (*at != '%') {
                put(*at);
            } else if (used + 2 < kLogLineCapacity) {
                put('%');
                put('%');
            }
        }
        put(':');
        put(' ');
        put(' ');
    }
    compose[used] = '\0';
    CopyBounded(compose + used, kLogLineCapacity - used, format == nullptr ? "" : format);
    FormatBoundedV(line, kLogLineCapacity, compose, args);
}

bool HasVerboseLetter(const WideChar* text, std::size_t maxUnits) {
    if (text == nullptr) return false;
    for (std::size_t i = 0; i < maxUnits && text[i] != WideChar(0); ++i) {
        if (text[i] == WideChar('v') || text[i] == WideChar('V')) return true;
    }
    return false;
}

}  // namespace brimsett::text
