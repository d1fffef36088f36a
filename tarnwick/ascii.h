// The two character rules that Tarnwick's texts share, for 8-bit and wide characters alike: only
// ASCII letters fold (the runtime library's locale is never applied), and only spaces and tabs
// are blanks. Platform-free; every folder may include this header.
#pragma once

namespace tarnwick {

// A-Z become a-z; every other character stays as it is.
template <typename Char>
constexpr Char FoldAscii(Char c) {
    return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// A space or a tab; no other character is blank.
template <typename Char>
constexpr bool IsBlank(Char c) {
    return c == Char(' ') || c == Char('\t');
}

}  // namespace tarnwick
