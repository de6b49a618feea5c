#include "recolor/recolor.h"
#include "support/trace_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

const std::string R = "\x1b[0m";
const std::string W = "\x1b[37m";
const std::string NL = "\n";

struct LineCase {
    const char* name;
    std::string input;
    std::string expected;
    std::vector<std::string> trace;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class RecolorLine : public testing::TestWithParam<LineCase> {};

TEST_P(RecolorLine, RewritesAndTraces)
{
    const LineCase& c = GetParam();
    trace_recorder::reset();
    std::string line = c.input;
    recolor_line(line);
    EXPECT_EQ(line, c.expected);
    EXPECT_EQ(trace_recorder::strings(), c.trace);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecolorLine,
    testing::Values(
        LineCase{"empty", "", "", {}},
        LineCase{"no_reset", "plain \x1b[31mred\x1b[m", "plain \x1b[31mred\x1b[m", {}},
        LineCase{"near_misses_are_not_resets", "\x1b[m \x1b[00m \x1b[0;1m \x1b[0",
                 "\x1b[m \x1b[00m \x1b[0;1m \x1b[0", {}},
        LineCase{"reset_in_the_middle", "a" + R + "b", "a" + R + W + "b",
                 {"a" + R + "b", NL, "a" + R + W + "b", NL, NL}},
        LineCase{"reset_at_the_end", "x" + R, "x" + R + W, {"x" + R, NL, "x" + R + W, NL, NL}},
        LineCase{"only_a_reset", R, R + W, {R, NL, R + W, NL, NL}},
        LineCase{"adjacent_resets", R + R, R + W + R + W,
                 {R + R, NL, R + W + R, NL, NL, R + W + R, NL, R + W + R + W, NL, NL}},
        LineCase{"white_already_there", R + W, R + W + W, {R + W, NL, R + W + W, NL, NL}},
        LineCase{"second_trace_holds_the_first_insertion", "a" + R + "b" + R + "c",
                 "a" + R + W + "b" + R + W + "c",
                 {"a" + R + "b" + R + "c", NL, "a" + R + W + "b" + R + "c", NL, NL,
                  "a" + R + W + "b" + R + "c", NL, "a" + R + W + "b" + R + W + "c", NL, NL}},
        // The trace sees a line only up to its first NUL; the line keeps it all.
        LineCase{"nul_after_the_resets", "a" + R + "b\0c"s, "a" + R + W + "b\0c"s,
                 {"a" + R + "b", NL, "a" + R + W + "b", NL, NL}},
        LineCase{"nul_between_resets", R + "\0"s + R, R + W + "\0"s + R + W,
                 {R, NL, R + W, NL, NL, R + W, NL, R + W, NL, NL}},
        LineCase{"nul_first", "\0"s + R, "\0"s + R + W, {"", NL, "", NL, NL}},
        LineCase{"lone_cr_kept", "a\r" + R + "\rb", "a\r" + R + W + "\rb",
                 {"a\r" + R + "\rb", NL, "a\r" + R + W + "\rb", NL, NL}}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string{info.param.name}; });

TEST(RecolorLineGrowth, NResetsGrowByFiveEachAndTraceFiveStringsEach)
{
    for (const int resets : {1, 2, 7, 100}) {
        std::string line;
        for (int i = 0; i < resets; ++i) {
            line += "step " + std::to_string(i) + R;
        }
        const std::size_t before = line.size();
        trace_recorder::reset();
        recolor_line(line);
        EXPECT_EQ(line.size(), before + 5 * static_cast<std::size_t>(resets));
        EXPECT_EQ(trace_recorder::strings().size(), 5 * static_cast<std::size_t>(resets));
    }
}

TEST(RecolorLineUntraced, InsertsTheSameWithoutBuildingATrace)
{
    trace_recorder::reset(false);
    std::string line = "a" + R + "b" + R;
    recolor_line(line);
    EXPECT_EQ(line, "a" + R + W + "b" + R + W);
    EXPECT_TRUE(trace_recorder::strings().empty());
}

}  // namespace
