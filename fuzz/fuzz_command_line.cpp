// Fuzz target: the command-line parser and the validation of the combination of options.
//
// Input: the arguments after the program name, separated by a zero byte. Every other byte is
// the character of the same code; a byte 0xFF takes the next two bytes as one UTF-16 unit
// (little-endian), so that any character up to U+FFFF can be typed.
//
// Properties, besides the absence of crashes and of sanitizer findings:
// - the result is one of the four ParseResult values, and NoParams exactly for no argument;
// - the table's constant fields (names, value flags, help texts) never change, every value is
//   terminated inside its 260-character field, absent options and switches keep empty values;
// - an accepted command line fills the table exactly as its arguments say (each argument names
//   one option by a case-insensitive full name, its value is the text after the first colon),
//   and the same arguments in reverse order fill it identically;
// - the run values of an accepted command line are the table's: an option given holds its value,
//   one not given holds nothing; a rejected one leaves the run values alone;
// - a command line that passes validation for a registration run has /name and /reg values.
//
// The option names come from the table, not from the dictionary: in the fuzzer, one mutation in
// four puts an option as typed (a slash and a row's name in mixed letter case, at times a colon after a
// name that takes a value) into the input; the others are libFuzzer's own.
#include <algorithm>
#include <cwchar>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/option_table.h"
#include "cli/validation.h"
#include "fuzz_check.h"

namespace {

using tarnwick::CommandOption;
using tarnwick::kOptionCount;
using tarnwick::kOptionTable;
using tarnwick::OptionTable;
using tarnwick::ParseResult;

std::vector<std::wstring> Arguments(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> arguments{L"tarnwick.exe"};
    if (size == 0) return arguments;
    fuzz::InputReader input(data, size);
    std::wstring current;
    while (!input.empty()) {
        const std::uint8_t byte = input.Byte();
        if (byte == 0) {
            arguments.push_back(current);
            current.clear();
        } else if (byte == 0xFF) {
            const std::uint16_t unit = input.Unit16();
            if (unit != 0) current.push_back(static_cast<wchar_t>(unit));
        } else {
            current.push_back(static_cast<wchar_t>(byte));
        }
    }
    arguments.push_back(current);
    return arguments;
}

wchar_t Fold(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// What an accepted argument says: the option it names and, when it has a colon, its value.
struct Named {
    int index = -1;
    bool hasValue = false;
    std::wstring value;
};

Named NameOf(const std::wstring& argument, const CommandOption* table) {
    Named named;
    for (int i = 0; i < kOptionCount; ++i) {
        const std::wstring name = table[i].optionName;
        if (argument.size() < 1 + name.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k) same = Fold(argument[1 + k]) == Fold(name[k]);
        if (!same) continue;
        named.index = i;
        if (argument.size() > 1 + name.size()) {
            named.hasValue = true;
            named.value = argument.substr(2 + name.size());
        }
        break;
    }
    return named;
}

struct Snapshot {
    bool present[kOptionCount];
    std::wstring value[kOptionCount];
};

Snapshot Take(const OptionTable& table) {
    Snapshot snapshot{};
    for (int i = 0; i < kOptionCount; ++i) {
        snapshot.present[i] = table[i].present;
        snapshot.value[i] = table[i].value;
    }
    return snapshot;
}

std::vector<const wchar_t*> Pointers(const std::vector<std::wstring>& arguments) {
    std::vector<const wchar_t*> pointers;
    pointers.reserve(arguments.size());
    for (const std::wstring& argument : arguments) pointers.push_back(argument.c_str());
    return pointers;
}

ParseResult Parse(const std::vector<std::wstring>& arguments, OptionTable& table) {
    const std::vector<const wchar_t*> pointers = Pointers(arguments);
    table = kOptionTable;
    return tarnwick::ParseCommandLine(static_cast<int>(pointers.size()), pointers.data(), kOptionCount, table.data());
}

// Whether a run value says what the table's entry says.
bool SameAs(const std::optional<std::wstring>& value, const CommandOption& option) {
    return value.has_value() == option.present && (!value || *value == option.value);
}

}  // namespace

#ifdef TW_LIBFUZZER
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
    std::minstd_rand random(seed);
    if (random() % 4 != 0) return LLVMFuzzerMutate(data, size, maxSize);
    const CommandOption& option = kOptionTable[random() % kOptionTable.size()];
    std::string typed = random() % 2 == 0 ? std::string(1, '\0') + "/" : "/";  // a new argument, or inside one
    for (const wchar_t* c = option.optionName; *c != L'\0'; ++c) {
        const char letter = static_cast<char>(*c);
        typed.push_back(random() % 2 == 0 && letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A')
                                                                            : letter);
    }
    if (option.takesValue && random() % 2 == 0) typed.push_back(':');
    if (size + typed.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
    const std::size_t at = random() % (size + 1);
    std::copy_backward(data + at, data + size, data + size + typed.size());
    std::copy(typed.begin(), typed.end(), data + at);
    return size + typed.size();
}
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CommandOption* constants = kOptionTable.data();

    const std::vector<std::wstring> arguments = Arguments(data, size);
    OptionTable table;
    const ParseResult result = Parse(arguments, table);
    FUZZ_CHECK(result >= ParseResult::kNoParams && result <= ParseResult::kOk);
    FUZZ_CHECK((result == ParseResult::kNoParams) == (arguments.size() <= 1));

    for (int i = 0; i < kOptionCount; ++i) {
        const CommandOption& option = table[i];
        FUZZ_CHECK(option.optionName == constants[i].optionName);
        FUZZ_CHECK(option.takesValue == constants[i].takesValue);
        FUZZ_CHECK(option.helpText == constants[i].helpText);
        FUZZ_CHECK(std::wmemchr(option.value, L'\0', tarnwick::kOptionValueCapacity) != nullptr);
        if (!option.present || !option.takesValue) FUZZ_CHECK(option.value[0] == L'\0');
    }

    // The run values: the table's when accepted, untouched otherwise.
    tarnwick::RunOptions options;
    options.name = L"untouched";
    const std::vector<const wchar_t*> pointers = Pointers(arguments);
    FUZZ_CHECK(tarnwick::ParseRunOptions(static_cast<int>(pointers.size()), pointers.data(), options) == result);
    if (result != ParseResult::kOk) {
        FUZZ_CHECK(options.name == L"untouched" && !options.keyList.has_value());
        return 0;
    }
    for (const CommandOption& option : table) {
        FUZZ_CHECK(option.takesValue ? SameAs(options.*option.text, option) : options.*option.flag == option.present);
    }

    const Snapshot parsed = Take(table);

    // Rebuild the table from the arguments alone and compare.
    bool present[kOptionCount] = {};
    std::wstring value[kOptionCount];
    for (std::size_t a = 1; a < arguments.size(); ++a) {
        const std::wstring& argument = arguments[a];
        FUZZ_CHECK(argument.size() >= 2 && argument[0] == L'/');
        const Named named = NameOf(argument, constants);
        FUZZ_CHECK(named.index >= 0);
        FUZZ_CHECK(!present[named.index]);
        present[named.index] = true;
        if (named.hasValue) {
            FUZZ_CHECK(constants[named.index].takesValue);
            FUZZ_CHECK(argument[1 + std::wcslen(constants[named.index].optionName)] == L':');
            FUZZ_CHECK(named.value.size() <= tarnwick::kMaxOptionValueLength);
            value[named.index] = named.value;
        }
    }
    for (int i = 0; i < kOptionCount; ++i) {
        FUZZ_CHECK(parsed.present[i] == present[i]);
        FUZZ_CHECK(parsed.value[i] == value[i]);
    }

    const bool valid = tarnwick::ValidateOptions(options);
    if (valid && !options.help && !options.listXtops) {
        FUZZ_CHECK(!tarnwick::ValueOf(options.name).empty() && !tarnwick::ValueOf(options.keyList).empty());
    }
    if (options.help) FUZZ_CHECK(valid);

    // The order of the options does not matter.
    std::vector<std::wstring> reversed{arguments.front()};
    reversed.insert(reversed.end(), arguments.rbegin(), arguments.rend() - 1);
    OptionTable again;
    FUZZ_CHECK(Parse(reversed, again) == ParseResult::kOk);
    const Snapshot second = Take(again);
    for (int i = 0; i < kOptionCount; ++i) {
        FUZZ_CHECK(second.present[i] == parsed.present[i]);
        FUZZ_CHECK(second.value[i] == parsed.value[i]);
    }
    return 0;
}
