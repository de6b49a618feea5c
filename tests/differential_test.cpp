// Random logs, converted by the real code and by the literal model: output
// and trace must agree byte for byte.
#include "recolor/recolor.h"
#include "support/files.h"
#include "support/reference.h"
#include "support/trace_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

// Bytes and tokens that matter to the conversion, and a little plain text.
const std::vector<std::string> TOKENS = {
    "\x1b", "[", "0", "m", "3", "7", "\r", "\n", std::string(1, '\0'), "\x1a",
    "\x1b[0m", "\x1b[37m", "\x1b[0m", "\r\n", "a", "bc"};

std::string random_text(std::mt19937& random, std::size_t tokens, bool allow_ctrl_z)
{
    std::uniform_int_distribution<std::size_t> pick{0, TOKENS.size() - 1};
    std::string text;
    for (std::size_t i = 0; i < tokens; ++i) {
        const std::string& token = TOKENS[pick(random)];
        if (!allow_ctrl_z && token == "\x1a") {
            continue;
        }
        text += token;
    }
    return text;
}

TEST(Differential, RecolorLineMatchesTheLiteralModel)
{
    std::mt19937 random{20261211};
    std::uniform_int_distribution<std::size_t> length{0, 40};
    for (int round = 0; round < 20000; ++round) {
        std::string line = random_text(random, length(random), true);
        line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());
        std::string expected = line;
        std::vector<std::string> expected_trace;
        reference::recolor_line(expected, expected_trace);

        trace_recorder::reset();
        std::string actual = line;
        recolor_line(actual);
        ASSERT_EQ(actual, expected) << "round " << round;
        ASSERT_EQ(trace_recorder::strings(), expected_trace) << "round " << round;
    }
}

TEST(Differential, ConvertLogMatchesTheLiteralModel)
{
    std::mt19937 random{11122026};
    std::uniform_int_distribution<std::size_t> length{0, 200};
    for (int round = 0; round < 300; ++round) {
        const std::string source = random_text(random, length(random), round % 3 == 0);
        std::vector<std::string> expected_trace;
        const std::string expected = reference::convert(source, expected_trace);

        trace_recorder::reset();
        ASSERT_EQ(test_files::convert_bytes(source), expected) << "round " << round;
        ASSERT_EQ(trace_recorder::strings(), expected_trace) << "round " << round;
    }
}

}  // namespace
