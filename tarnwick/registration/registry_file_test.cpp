#include "registration/registry_file.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/merged_registry_file.h"

namespace tarnwick {
namespace {

const std::vector<std::string> kEntry = {"", "name MyApp", "exec_file C:\\a.dll", "allow_stop true", "end"};
const std::string kEntryBytes = "\r\nname MyApp\r\nexec_file C:\\a.dll\r\nallow_stop true\r\nend\r\n";

TEST(RegistryFileLines, SerializeEndsEveryLineWithCrLfAndCollapsesEmptyRuns) {
    const std::vector<std::string> lines = {"", "", "a", "", "", "", "  ", "", "b", "", ""};
    RegistryFileLines views(lines.begin(), lines.end());
    EXPECT_EQ(SerializeRegistryFileLines(views), "\r\na\r\n\r\n  \r\n\r\nb\r\n\r\n");
    EXPECT_EQ(SerializeRegistryFileLines({}), "");
}

TEST(RegistryFileLines, TrimBlanksRemovesOnlySpacesAndTabs) {
    EXPECT_EQ(TrimBlanks(" \t a b \t"), "a b");
    EXPECT_EQ(TrimBlanks(" \t "), "");
    EXPECT_EQ(TrimBlanks("\ra\v"), "\ra\v");
}

// The lines joined with CR LF between them, the last one unterminated.
std::string Joined(const std::vector<std::string>& lines) {
    std::string bytes;
    for (std::size_t i = 0; i < lines.size(); ++i) bytes += (i == 0 ? "" : "\r\n") + lines[i];
    return bytes;
}

// The lines each followed by CR LF, as a rewrite writes them.
std::string Written(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\r\n";
    return bytes;
}

TEST(MergeRegistryFile, ReadsLinesByTheReadRules) {
    const std::vector<std::string> entry = {"name MyApp", "end"};
    const std::string entryBytes = "name MyApp\r\nend\r\n";
    // The text after the last line feed is a line of its own: an empty file is one empty line.
    EXPECT_EQ(MergeRegistryFile(std::string_view(""), "MyApp", &entry), "\r\n" + entryBytes);
    EXPECT_EQ(MergeRegistryFile(std::string_view("a\r\nb\r\n"), "MyApp", &entry), "a\r\nb\r\n\r\n" + entryBytes);
    EXPECT_EQ(MergeRegistryFile(std::string_view("a\nb"), "MyApp", &entry), "a\r\nb\r\n" + entryBytes);
    // Only the carriage return right before a line feed goes; others stay in their line.
    EXPECT_EQ(MergeRegistryFile(std::string_view("a\r\r\nb\rc\r"), "MyApp", &entry), "a\r\r\nb\rc\r\r\n" + entryBytes);
    // No byte ends the file: NUL and Ctrl-Z are ordinary characters, and so are bytes above 0x7F.
    const std::string odd("x\0y\x1Az\n\xE9\xFF", 8);
    EXPECT_EQ(MergeRegistryFile(std::string_view(odd), "MyApp", &entry),
              std::string("x\0y\x1Az\r\n\xE9\xFF\r\n", 11) + entryBytes);
}

TEST(MergeRegistryFile, FindsEveryLineFeedWhereverItFallsInTheSearch) {
    // Lines of 1 to 40 bytes, ended by LF or CR LF in turn, put line feeds at every distance from
    // one another and from the start of the file.
    std::string file;
    std::vector<std::string> lines;
    for (std::size_t length = 1; length <= 40; ++length) {
        lines.push_back(std::string(length, static_cast<char>('a' + length % 26)));
        file += lines.back() + (length % 2 == 0 ? "\n" : "\r\n");
    }
    lines.push_back("");  // after the last line feed
    EXPECT_EQ(MergeRegistryFile(std::string_view(file), "MyApp", &kEntry), Written(lines) + kEntryBytes.substr(2));
}

TEST(MergeRegistryFile, RecognisesNameLinesWithCaseFoldedKeywordAndBlanks) {
    for (const char* line : {"NAME   MyApp  ", "name\tMyApp", "nameMyApp", "  NaMe MyApp", "\tname MyApp\t"}) {
        const std::string file = Joined({"a", line, "exec_file x", "end", "b"});
        EXPECT_EQ(MergeRegistryFile(std::string_view(file), "MyApp", nullptr), Written({"a", "b"})) << line;
    }
    for (const char* line : {"name myapp", "names MyApp", "name MyApp2", "name My App", "nam MyApp", "name"}) {
        const std::string file = Joined({line, "end"});
        EXPECT_EQ(MergeRegistryFile(std::string_view(file), "MyApp", nullptr), std::nullopt) << line;
    }
}

TEST(MergeRegistryFile, EndsAnEntryOnlyAtAnEndLine) {
    const std::string file = Joined({"name MyApp", "end of it", "endx", " \tEnd  ", "keep", "name MyApp", "x", "END",
                                     "name Other", "end", "name MyApp", "no end follows"});
    EXPECT_EQ(MergeRegistryFile(std::string_view(file), "MyApp", nullptr), Written({"keep", "name Other", "end"}));

    // An entry without its end ends before the next name line: another application's entry stays.
    const std::string unended = Joined({"pre", "name MyApp", "name Other", "exec_file y", "end", "post"});
    EXPECT_EQ(MergeRegistryFile(std::string_view(unended), "MyApp", nullptr),
              Written({"pre", "name Other", "exec_file y", "end", "post"}));
}

const std::string kMark = "\xEF\xBB\xBF";  // a UTF-8 byte-order mark

// Files as hand edits, text-mode writers and editors leave them. `registering` merges kEntry,
// otherwise the application is unregistered; nothing expected means the file is left alone.
TEST(MergeRegistryFile, KeepsEveryLineOfOtherApplicationsWhateverTheFileLooksLike) {
    const struct {
        const char* what;
        std::string file;
        bool registering;
        std::optional<std::string> expected;
    } cases[] = {
        {"missing end, foreign entry next",
         "pre\r\nname MyApp\r\nexec_file a\r\nname Other\r\nexec_file o\r\nend\r\npost", false,
         "pre\r\nname Other\r\nexec_file o\r\nend\r\npost\r\n"},
        {"missing end, registering", "name MyApp\nexec_file a\nNAME\tOther\nend\n", true,
         "NAME\tOther\r\nend\r\n" + kEntryBytes},
        {"missing end, our entry next, then a foreign one", "name MyApp\nx\nname MyApp\ny\nend\nname Other\nz", false,
         "name Other\r\nz\r\n"},
        {"missing end, a bare name line next", "name MyApp\r\nx\r\nname\r\nend\r\n", false, "name\r\nend\r\n\r\n"},
        {"end with CR as the last line", "name Other\r\nend\r\nname MyApp\r\nend\r", false, "name Other\r\nend\r\n"},
        {"end with CR CR LF, foreign entry next", "name MyApp\r\r\nexec_file a\r\r\nend\r\r\nname Other\r\r\nend\r\r\n",
         false, "name Other\r\r\nend\r\r\n\r\n"},
        {"CR CR LF, registering twice", "name MyApp\r\r\nend\r\r\n", true, kEntryBytes},
        {"blanks and CRs around end", "name MyApp\r\n\t End \r\r\nkeep\r\n", false, "keep\r\n\r\n"},
        {"mark, our entry first", kMark + "name MyApp\r\nend\r\nname Other\r\nend\r\n", false,
         kMark + "name Other\r\nend\r\n\r\n"},
        {"mark, our entry last", kMark + "name Other\r\nend\r\nname MyApp\r\nend", false,
         kMark + "name Other\r\nend\r\n"},
        {"mark, our entry alone, registering", kMark + "name MyApp\r\nend\r\n", true, kMark + kEntryBytes},
        {"mark, our entry alone, unregistering", kMark + "name MyApp\r\nend", false, kMark},
        {"mark, registering into a file without our entry", kMark + "name Other\r\nend", true,
         kMark + "name Other\r\nend\r\n" + kEntryBytes},
        {"mark absent, registering", "name Other\r\nend", true, "name Other\r\nend\r\n" + kEntryBytes},
        {"mark bytes brought to the start by the removal", "name MyApp\r\nend\r\n" + kMark + "name MyApp\r\nend\r\nx",
         false, kMark + "x\r\n"},
        {"mark absent, mark bytes later in the file", "x\r\n" + kMark + "name MyApp\r\nend", false, std::nullopt},
        {"mark, nothing matches", kMark + "name Other\r\nend\r\n\r\n\r\n", false, std::nullopt},
        {"mark, registered already", kMark + "name Other\r\nend\r\n" + kEntryBytes, true, std::nullopt},
        {"nothing matches: odd lines unchanged",
         "name Other\r\r\n\r\n\r\n \r\nexec_file o\rname MyApp\nend\r\r\nname\r\nname MyApp2\n", false, std::nullopt},
        {"nothing matches: foreign entry without end", "name Other\nexec_file o\n\n\nname Third\nend", false,
         std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MergeRegistryFile(std::string_view(c.file), "MyApp", c.registering ? &kEntry : nullptr), c.expected)
            << c.what;
    }
}

TEST(MergeRegistryFile, MatchesTheNameTrimmedOfBlanks) {
    const std::string file = Joined({"name MyApp", "end", "name  MyApp \t", "end", "name MyApp x", "end"});
    for (const char* name : {"MyApp", "MyApp ", "\tMyApp"}) {
        EXPECT_EQ(MergeRegistryFile(std::string_view(file), name, nullptr), Written({"name MyApp x", "end"})) << name;
    }
}

TEST(MergeRegistryFile, RegisteringCreatesOrAppendsAfterOneEmptyLine) {
    EXPECT_EQ(MergeRegistryFile(std::nullopt, "MyApp", &kEntry), kEntryBytes);
    EXPECT_EQ(MergeRegistryFile(std::string_view(""), "MyApp", &kEntry), kEntryBytes);
    EXPECT_EQ(MergeRegistryFile(std::string_view("\r\n\r\n"), "MyApp", &kEntry), kEntryBytes);
    const std::string other = "name Other\r\nend";
    EXPECT_EQ(MergeRegistryFile(std::string_view(other), "MyApp", &kEntry), other + "\r\n" + kEntryBytes);
    EXPECT_EQ(MergeRegistryFile(std::string_view(other + "\r\n"), "MyApp", &kEntry), other + "\r\n" + kEntryBytes);
    // A bare LF file is rewritten with CR LF, other entries kept in order and text.
    EXPECT_EQ(MergeRegistryFile(std::string_view("name B\nend\n\n\n  \nname C\nend\n"), "MyApp", &kEntry),
              "name B\r\nend\r\n\r\n  \r\nname C\r\nend\r\n" + kEntryBytes);
}

TEST(MergeRegistryFile, ReRegistrationIsStableAndReplacesTheOldEntry) {
    const std::string once = *MergeRegistryFile(std::string_view("name B\r\nend\r\n"), "MyApp", &kEntry);
    EXPECT_EQ(MergeRegistryFile(std::string_view(once), "MyApp", &kEntry), std::nullopt);  // same bytes: no write
    const std::vector<std::string> newer = {"", "name MyApp", "exec_file D:\\b.dll", "end"};
    EXPECT_EQ(MergeRegistryFile(std::string_view(once), "MyApp", &newer),
              "name B\r\nend\r\n\r\nname MyApp\r\nexec_file D:\\b.dll\r\nend\r\n");
}

TEST(MergeRegistryFile, UnregisteringRewritesOnlyWhenAnEntryWasFound) {
    EXPECT_EQ(MergeRegistryFile(std::nullopt, "MyApp", nullptr), std::nullopt);
    EXPECT_EQ(MergeRegistryFile(std::string_view("a\n\n\n\nname Other\nend"), "MyApp", nullptr), std::nullopt);
    EXPECT_EQ(MergeRegistryFile(std::string_view("a\n\n\n\nname MyApp\nend\nname MyApp\nend\nb"), "MyApp", nullptr),
              "a\r\n\r\nb\r\n");
    // A file that held only the application's entry ends as one empty line, or empty without a final LF.
    EXPECT_EQ(MergeRegistryFile(std::string_view(kEntryBytes), "MyApp", nullptr), "\r\n");
    EXPECT_EQ(MergeRegistryFile(std::string_view("name MyApp\r\nend"), "MyApp", nullptr), "");
}

// The two-step process taken literally: remove and rewrite when found, then read back, append and
// rewrite. The one-rewrite merge must give the same bytes for every file. A byte-order mark at
// the start is set aside before reading and put back before the written lines.
bool TakeMark(std::optional<std::string>& file) {
    if (!file || file->compare(0, kMark.size(), kMark) != 0) return false;
    file->erase(0, kMark.size());
    return true;
}

std::vector<std::string> ReadLiterally(const std::optional<std::string>& file) {
    if (!file) return {};
    std::vector<std::string> lines(1);
    for (char c : *file) {
        if (c != '\n') {
            lines.back() += c;
            continue;
        }
        if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
        lines.emplace_back();
    }
    return lines;
}

std::string WriteLiterally(const std::vector<std::string>& lines, bool marked) {
    std::string bytes = marked ? kMark : "";
    bool lastEmpty = false;
    for (const std::string& line : lines) {
        if (line.empty() && lastEmpty) continue;
        lastEmpty = line.empty();
        bytes += line + "\r\n";
    }
    return bytes;
}

std::string_view TrimWithCr(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return folded;
}

std::optional<std::string> TwoSteps(std::optional<std::string> file, const std::string& name,
                                    const std::vector<std::string>* entry) {
    const std::optional<std::string> original = file;
    bool marked = TakeMark(file);
    auto isOurs = [&](std::string_view line) {
        const std::string_view t = TrimWithCr(line);
        return t.size() >= 5 && Folded(t.substr(0, 4)) == "name" && TrimWithCr(t.substr(4)) == TrimWithCr(name);
    };
    std::vector<std::string> kept;
    bool skipping = false, found = false;
    for (std::string line : ReadLiterally(file)) {
        const std::string folded = Folded(TrimWithCr(line));
        if (skipping && folded == "end") {
            skipping = false;
            continue;
        }
        if (skipping && folded.compare(0, 4, "name") != 0) continue;
        skipping = false;
        if (kept.empty() && !marked && line.compare(0, kMark.size(), kMark) == 0) {
            // A removal that brings the mark's bytes to the start makes them the file's mark.
            marked = true;
            line.erase(0, kMark.size());
        }
        if (isOurs(line)) {
            skipping = found = true;
            continue;
        }
        kept.push_back(line);
    }
    if (!found) file = original;
    if (found) file = WriteLiterally(kept, marked);
    if (entry) {
        marked = TakeMark(file);
        std::vector<std::string> lines = ReadLiterally(file);
        lines.insert(lines.end(), entry->begin(), entry->end());
        file = WriteLiterally(lines, marked);
    }
    return file;
}

TEST(MergeRegistryFile, GivesTheBytesOfRemovalThenAppendForRandomFiles) {
    const std::vector<std::string> pieces = {
        "",   " ",    "\t",        "name MyApp", "NAME\tMyApp ", "name Other",   "end",  " End ", "exec_file x",
        "\r", "endx", "nameMyApp", "\xE9",       "end\r",        "name MyApp\r", "name", kMark,   kMark + "name MyApp"};
    const std::vector<std::string> noLeadingEmpty = {"name MyApp", "end"};
    std::mt19937 random(12345);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same cases every run
    for (int round = 0; round < 4000; ++round) {
        std::string file;
        const int lineCount = static_cast<int>(random() % 9);
        for (int i = 0; i < lineCount; ++i) {
            file += pieces[random() % pieces.size()];
            if (i + 1 < lineCount || random() % 2) file += (random() % 3) ? "\r\n" : "\n";
        }
        const std::optional<std::string> before = (round % 17 == 0) ? std::nullopt : std::optional<std::string>(file);
        const std::vector<std::string>* entry = round % 3 == 0 ? nullptr : (round % 3 == 1 ? &kEntry : &noLeadingEmpty);
        const std::optional<std::string> expected = TwoSteps(before, "MyApp", entry);
        std::optional<std::string_view> view;
        if (before) view = *before;
        std::optional<std::string> merged = MergeRegistryFile(view, "MyApp", entry);
        const std::optional<std::string> after = merged ? merged : before;
        ASSERT_EQ(after, expected) << "round " << round << " file [" << file << "]";
    }
}

}  // namespace
}  // namespace tarnwick
