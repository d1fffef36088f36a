#include "cli/loadpoint_listing.h"

#include <gtest/gtest.h>

#include <iostream>
#include <streambuf>
#include <string>

namespace tarnwick {
namespace {

// Collects what the narrow and the wide standard-output streams receive into one byte string,
// in the order written; wide characters up to U+00FF become their own byte.
class CapturedOutput {
public:
    CapturedOutput() : narrow_(bytes_), wide_(bytes_) {
        oldNarrow_ = std::cout.rdbuf(&narrow_);
        oldWide_ = std::wcout.rdbuf(&wide_);
    }
    ~CapturedOutput() {
        std::cout.rdbuf(oldNarrow_);
        std::wcout.rdbuf(oldWide_);
    }
    const std::string& bytes() const { return bytes_; }

private:
    template <typename Char>
    class Sink : public std::basic_streambuf<Char> {
    public:
        explicit Sink(std::string& bytes) : bytes_(bytes) {}

    protected:
        typename Sink::int_type overflow(typename Sink::int_type c) override {
            if (!Sink::traits_type::eq_int_type(c, Sink::traits_type::eof())) {
                bytes_.push_back(static_cast<char>(Sink::traits_type::to_char_type(c)));
            }
            return Sink::traits_type::not_eof(c);
        }

    private:
        std::string& bytes_;
    };

    std::string bytes_;
    Sink<char> narrow_;
    Sink<wchar_t> wide_;
    std::streambuf* oldNarrow_;
    std::wstreambuf* oldWide_;
};

class LoadpointListing : public ::testing::Test {
protected:
    std::string List(bool listRun) {
        RunOptions options;
        options.listXtops = listRun;
        CapturedOutput output;
        ListLoadpoints(options, loadpoints_);
        return output.bytes();
    }
    Loadpoints loadpoints_;
};

TEST_F(LoadpointListing, NothingFound) {
    EXPECT_EQ(List(false), "No Pro/ENGINEER / Creo loadpoints have been found\n");
    EXPECT_EQ(List(true), "");
}

TEST_F(LoadpointListing, ThirtyTwoBitGroupBeforeSixtyFourBitGroup) {
    loadpoints_.in32BitView = {"C:\\Creo 2\\", "D:\\\xE9"};
    loadpoints_.in64BitView = {"", "C:\\Creo 2\\"};
    EXPECT_EQ(List(false),
              "The following Pro/ENGINEER / Creo loadpoints have been found\n"
              "C:\\Creo 2\\\nD:\\\xE9\n\nC:\\Creo 2\\\n");
    EXPECT_EQ(List(true),
              "C:\\Creo 2\\\\i486_nt\\obj\\xtop.exe\n"
              "D:\\\xE9\\i486_nt\\obj\\xtop.exe\n"
              "\\x86e_win64\\obj\\xtop.exe\n"
              "C:\\Creo 2\\\\x86e_win64\\obj\\xtop.exe\n");
}

TEST_F(LoadpointListing, OnlySixtyFourBitLoadpoints) {
    loadpoints_.in64BitView = {"E:\\Creo"};
    EXPECT_EQ(List(false), "The following Pro/ENGINEER / Creo loadpoints have been found\nE:\\Creo\n");
}

}  // namespace
}  // namespace tarnwick
