#include "recolor/recolor.h"
#include "support/files.h"
#include "support/trace_recorder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using namespace std::string_literals;

const std::string R = "\x1b[0m";
const std::string W = "\x1b[37m";

struct LogCase {
    const char* name;
    std::string source;
    std::string expected;
};

void PrintTo(const LogCase& c, std::ostream* out) { *out << c.name; }

class ConvertLog : public testing::TestWithParam<LogCase> {};

TEST_P(ConvertLog, WritesTheExpectedBytes)
{
    trace_recorder::reset();
    EXPECT_EQ(test_files::convert_bytes(GetParam().source), GetParam().expected);
    EXPECT_EQ(trace_recorder::finishes(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertLog,
    testing::Values(
        LogCase{"empty_source_gives_one_line", "", W + "\r\n"},
        LogCase{"final_line_end_gives_an_extra_line", "A\nB\n", W + "A\r\n" + W + "B\r\n" + W + "\r\n"},
        LogCase{"no_final_line_end", "A\nB", W + "A\r\n" + W + "B\r\n"},
        LogCase{"crlf_reads_as_lf", "A\r\n", W + "A\r\n" + W + "\r\n"},
        LogCase{"lone_cr_stays_in_the_line", "A\rB\n", W + "A\rB\r\n" + W + "\r\n"},
        LogCase{"cr_cr_lf_keeps_one_cr", "A\r\r\n", W + "A\r\r\n" + W + "\r\n"},
        LogCase{"cr_at_the_very_end", "A\r", W + "A\r\r\n"},
        LogCase{"ctrl_z_ends_the_input", "A\nB\x1a" "C\nD\n", W + "A\r\n" + W + "B\r\n"},
        LogCase{"ctrl_z_after_a_line_end", "A\n\x1a" "B", W + "A\r\n" + W + "\r\n"},
        LogCase{"ctrl_z_first", "\x1a" "A\n", W + "\r\n"},
        LogCase{"reset_line", R + "\n", W + R + W + "\r\n" + W + "\r\n"},
        LogCase{"nul_carried_through", "a\0b\n"s, W + "a\0b\r\n"s + W + "\r\n"},
        LogCase{"resets_on_several_lines", "x" + R + "y\r\n" + R,
                W + "x" + R + W + "y\r\n" + W + R + W + "\r\n"}),
    [](const testing::TestParamInfo<LogCase>& info) { return std::string{info.param.name}; });

// The reader works in chunks; line ends and CR LF pairs that straddle a chunk
// border must read as they would anywhere else.
TEST(ConvertLogChunks, LinesAcrossChunkBordersReadWhole)
{
    const std::size_t chunk = 64 * 1024;
    for (const std::size_t first : {chunk - 2, chunk - 1, chunk, chunk + 1}) {
        const std::string long_line(first, 'x');
        const std::string source = long_line + "\r\n" + R + "\n";
        trace_recorder::reset(false);
        EXPECT_EQ(test_files::convert_bytes(source),
                  W + long_line + "\r\n" + W + R + W + "\r\n" + W + "\r\n")
            << "first line of " << first << " bytes";
    }
}

// A Ctrl-Z deep in the log, at or near a chunk border, ends it there too.
TEST(ConvertLogChunks, CtrlZBeyondTheFirstChunkEndsTheLog)
{
    const std::size_t chunk = 64 * 1024;
    for (const std::size_t at : {chunk - 1, chunk, chunk + 1, 2 * chunk + 5}) {
        const std::string before = std::string(at - 2, 'x') + "\r\n";
        const std::string source = before + "\x1a" + R + "\nafter\n";
        trace_recorder::reset(false);
        EXPECT_EQ(test_files::convert_bytes(source), W + std::string(at - 2, 'x') + "\r\n" + W + "\r\n")
            << "Ctrl-Z at " << at;
    }
}

// Every line is on disk before the next one is read.
TEST(ConvertLogFlush, EachLineReachesTheFileBeforeTheNextRead)
{
    const std::string folder = test_files::scratch_folder();
    const std::string out_path = folder + "/out.log";
    test_files::write(folder + "/in.log", "first\nsecond\n");
    std::FILE* in = std::fopen((folder + "/in.log").c_str(), "rb");
    std::FILE* out = std::fopen(out_path.c_str(), "wb");
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    std::setvbuf(out, nullptr, _IOFBF, 1 << 20);  // a buffer that would hold it all
    trace_recorder::reset(false);
    convert_log(in, out);
    EXPECT_EQ(test_files::read(out_path), W + "first\r\n" + W + "second\r\n" + W + "\r\n");
    std::fclose(out);
    std::fclose(in);
}

// A failing output is not looked at: the whole input is still read.
TEST(ConvertLogFailures, UnwritableOutputStillReadsTheWholeInput)
{
    const std::string folder = test_files::scratch_folder();
    test_files::write(folder + "/in.log", "a" + R + "\nb\n");
    std::FILE* in = std::fopen((folder + "/in.log").c_str(), "rb");
    std::FILE* out = std::fopen((folder + "/in.log").c_str(), "rb");  // not open for writing
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    trace_recorder::reset();
    convert_log(in, out);
    EXPECT_NE(std::feof(in), 0);
    EXPECT_NE(std::ferror(out), 0);
    EXPECT_EQ(trace_recorder::strings().size(), 5u);
    std::fclose(out);
    std::fclose(in);
}

}  // namespace
