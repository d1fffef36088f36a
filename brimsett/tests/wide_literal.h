// UTF-16 literals of the build's own unit type (wchar_t on Windows, char16_t on the host), so
// that both builds run the same test cases.
#pragma once

#if defined(_WIN32)
#define W(text) L##text
#else
#define W(text) u##text
#endif
