#include "actions/action_text.h"

#include <initializer_list>

namespace brimsett {

namespace {

std::wstring Join(std::initializer_list<std::wstring_view> parts) {
    std::size_t length = 0;
    for (auto part : parts) length += part.size();
    std::wstring text;
    text.reserve(length);
    for (auto part : parts) text.append(part);
    return text;
}

}  // namespace

std::wstring LocalServerKeyPath(std::wstring_view classId) {
    return Join({L"CLSID\\", classId, L"\\LocalServer32"});
}

std::wstring ComponentKeyPath(std::wstring_view userSid) {
    return Join({L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\", userSid,
                 L"\\Components\\AD95649F068525549B26938D7D18FEA7"});
}

std::wstring UninstallKeyPath(std::wstring_view productName) {
    return Join({L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\", productName});
}

std::wstring UninstallCommand(std::wstring_view installDir, std::wstring_view productCode,
                              std::wstring_view productAbbreviation) {
    return Join(
        {L"\"", installDir, L"Setup\\Setup.exe\" /P ", productCode, L" /M ", productAbbreviation, L" /LANG en-US"});
}

std::wstring_view TextInBuffer(const wchar_t* buffer, std::size_t units) {
    std::size_t length = 0;
    while (length < units && buffer[length] != L'\0') ++length;
    return std::wstring_view(buffer, length);
}

std::wstring_view CutServerCommand(std::wstring_view command) {
    if (!command.empty() && command.front() == L'"') {
        std::wstring_view rest = command.substr(1);
        return rest.substr(0, rest.find(L'"'));
    }
    std::size_t slash = command.find(L'/');
    std::size_t end = slash == std::wstring_view::npos ? command.size() : slash;
    if (end > 0 && command[end - 1] == L' ') --end;
    return command.substr(0, end);
}

std::string LowByteCopy(std::wstring_view text) {
    std::string copy(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        copy[i] = static_cast<char>(static_cast<unsigned char>(text[i] & 0xFF));
    return copy;
}

}  // namespace brimsett
