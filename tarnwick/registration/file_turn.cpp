#include "registration/file_turn.h"

#include <cstdint>

namespace tarnwick {

namespace {

constexpr std::wstring_view kTemporaryPrefix = L"~tw";
constexpr wchar_t kHexDigits[] = L"0123456789abcdef";

bool IsLowerHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f');
}

// FNV-1a over the UTF-16 code units: stable across builds and bitnesses, which the names must
// be, since a 32-bit and a 64-bit run share the turn. Two names that collide merely take turns.
std::uint64_t HashOf(std::wstring_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t unit : text) {
        const std::uint32_t code = static_cast<std::uint32_t>(unit) & 0xFFFFu;  // a UTF-16 code unit
        for (int shift = 0; shift < 16; shift += 8) {
            hash ^= (code >> shift) & 0xFFu;
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

void AppendHex(std::wstring& text, std::uint64_t value) {
    for (int shift = 60; shift >= 0; shift -= 4) text.push_back(kHexDigits[(value >> shift) & 0xFu]);
}

constexpr std::wstring_view kGlobalNamespace = L"Global";
constexpr std::wstring_view kTurnPrefix = L"TarnwickFileTurn-";

std::wstring TurnNameStart(TurnPlace place) {
    std::wstring name(place == TurnPlace::kAdministrators ? kTurnNamespaceAlias : kGlobalNamespace);
    name.push_back(L'\\');
    name += kTurnPrefix;
    return name;
}

}  // namespace

std::wstring FileTurnName(unsigned long long folderIndex, std::wstring_view foldedName, TurnPlace place) {
    std::wstring name = TurnNameStart(place);
    AppendHex(name, folderIndex);
    name.push_back(L'-');
    AppendHex(name, HashOf(foldedName));
    return name;
}

std::wstring FileTurnName(std::wstring_view foldedFullPath, TurnPlace place) {
    std::wstring name = TurnNameStart(place);
    AppendHex(name, HashOf(foldedFullPath));
    return name;
}

TurnPlace ChooseTurnPlace(TurnPlaceSteps& steps) {
    // A boundary that could not be made must not be filled: on Wine that call ends the process.
    if (!steps.MakeBoundary() || !steps.Elevated() || !steps.AddAdministrators()) return TurnPlace::kGlobal;
    for (int attempt = 0; attempt < kTurnNamespaceAttempts; ++attempt) {
        switch (steps.CreateNamespace()) {
            case TurnPlaceSteps::Creation::kCreated:
                return TurnPlace::kAdministrators;
            case TurnPlaceSteps::Creation::kFailed:
                return TurnPlace::kGlobal;
            case TurnPlaceSteps::Creation::kExists:
                if (steps.OpenNamespace()) return TurnPlace::kAdministrators;
                break;  // its creator ended between the two calls: create it again
        }
    }
    return TurnPlace::kGlobal;
}

std::wstring TemporaryFileNameFor(std::wstring_view foldedName) {
    return TemporaryFileName(static_cast<unsigned long>(HashOf(foldedName) & 0xFFFFFFu));
}

std::wstring TemporaryFileName(unsigned long value) {
    value &= 0xFFFFFFul;
    std::wstring digits;
    do {
        digits.insert(digits.begin(), kHexDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    return std::wstring(kTemporaryPrefix) + digits;
}

bool IsTemporaryFileName(std::wstring_view name) {
    if (name.size() <= kTemporaryPrefix.size() || name.size() > kTemporaryPrefix.size() + 6) return false;
    if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) return false;
    for (wchar_t c : name.substr(kTemporaryPrefix.size())) {
        if (!IsLowerHexDigit(c)) return false;
    }
    return true;
}

}  // namespace tarnwick
