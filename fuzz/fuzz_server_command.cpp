// Fuzz target: the text steps of the CAD application detection: the text that the registry left
// in the server-command buffer, the cut down to the executable's path, the 8-bit copy for the
// log, and the key path built from a class identifier.
//
// Input: the buffer's units, two bytes each (little-endian), as the registry would have filled
// them; the buffer is exactly that long and need not hold a terminator.
//
// Properties:
// - the text in the buffer stops at the first null unit and never reaches past the buffer;
// - the cut path lies inside the command; a quoted command gives the text after the opening
//   quote up to the next quote (or its end), which holds no quote; any other command gives its
//   text before the first slash, less one space right before that slash, which holds no slash;
// - the 8-bit copy has one byte per unit, the unit's low 8 bits;
// - the key path is "CLSID\", the identifier and "\LocalServer32", whatever the identifier holds.
#include <memory>
#include <string>

#include "actions/action_text.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::size_t units = size / 2;
    const std::unique_ptr<wchar_t[]> buffer(new wchar_t[units == 0 ? 1 : units]);
    for (std::size_t i = 0; i < units; ++i) buffer[i] = static_cast<wchar_t>(input.Unit16());

    const std::wstring_view text = brimsett::TextInBuffer(buffer.get(), units);
    FUZZ_CHECK(text.data() == buffer.get() && text.size() <= units);
    FUZZ_CHECK(text.find(L'\0') == std::wstring_view::npos);
    if (text.size() < units) FUZZ_CHECK(buffer[text.size()] == L'\0');

    const std::wstring_view path = brimsett::CutServerCommand(text);
    FUZZ_CHECK(path.data() >= text.data() && path.data() + path.size() <= text.data() + text.size());
    if (!text.empty() && text.front() == L'"') {
        FUZZ_CHECK(path.data() == text.data() + 1);
        FUZZ_CHECK(path.find(L'"') == std::wstring_view::npos);
        const std::size_t after = 1 + path.size();
        FUZZ_CHECK(after == text.size() || text[after] == L'"');
    } else {
        FUZZ_CHECK(path.data() == text.data());
        FUZZ_CHECK(path.find(L'/') == std::wstring_view::npos);
        const std::size_t slash = text.find(L'/');
        const std::size_t end = slash == std::wstring_view::npos ? text.size() : slash;
        const bool spaceDropped = end > 0 && text[end - 1] == L' ';
        FUZZ_CHECK(path.size() == (spaceDropped ? end - 1 : end));
    }

    const std::string copy = brimsett::LowByteCopy(path);
    FUZZ_CHECK(copy.size() == path.size());
    for (std::size_t i = 0; i < copy.size(); ++i) {
        FUZZ_CHECK(static_cast<unsigned char>(copy[i]) == (static_cast<unsigned long>(path[i]) & 0xFFu));
    }

    const std::wstring key = brimsett::LocalServerKeyPath(text);
    FUZZ_CHECK(key.size() == 6 + text.size() + 14);
    FUZZ_CHECK(key.compare(0, 6, L"CLSID\\") == 0 && key.compare(6, text.size(), text) == 0);
    FUZZ_CHECK(key.compare(6 + text.size(), 14, L"\\LocalServer32") == 0);
    return 0;
}
