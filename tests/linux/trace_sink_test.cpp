// The Linux trace channel: standard error, byte for byte, unless it is a
// terminal. Each conversion runs in a child process whose standard error
// the test chooses, so each one starts with a channel of its own.
#include "recolor/recolor.h"
#include "support/files.h"
#include "support/reference.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string R = "\x1b[0m";

// Converts `source` in a child whose standard error is `trace_fd`; returns
// the converted bytes, or a note of what went wrong.
std::string convert_in_child(const std::string& source, int trace_fd)
{
    const std::string folder = test_files::scratch_folder();
    const std::string in_path = folder + "/in.log";
    const std::string out_path = folder + "/out.log";
    test_files::write(in_path, source);
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGPIPE, SIG_IGN);
        dup2(trace_fd, STDERR_FILENO);
        std::FILE* in = std::fopen(in_path.c_str(), "rb");
        std::FILE* out = std::fopen(out_path.c_str(), "wb");
        if (in == nullptr || out == nullptr) {
            _exit(2);
        }
        convert_log(in, out);
        _exit(std::fclose(out) == 0 ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "child failed";
    }
    return test_files::read(out_path);
}

std::string expected_trace(const std::string& source, std::string& converted)
{
    std::vector<std::string> strings;
    converted = reference::convert(source, strings);
    std::string joined;
    for (const std::string& text : strings) {
        joined += text;
    }
    return joined;
}

std::string repeat(const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

struct SinkCase {
    const char* name;
    std::string source;
};

void PrintTo(const SinkCase& c, std::ostream* out) { *out << c.name; }

class TraceSink : public testing::TestWithParam<SinkCase> {};

TEST_P(TraceSink, WritesEveryTraceStringToStandardErrorExactly)
{
    const std::string folder = test_files::scratch_folder();
    const std::string trace_path = folder + "/trace";
    const int trace_fd = open(trace_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(trace_fd, 0);
    const std::string converted = convert_in_child(GetParam().source, trace_fd);
    close(trace_fd);

    std::string expected_output;
    const std::string expected = expected_trace(GetParam().source, expected_output);
    EXPECT_EQ(converted, expected_output);
    const std::string trace = test_files::read(trace_path);
    ASSERT_EQ(trace.size(), expected.size());
    EXPECT_TRUE(trace == expected);
}

const std::string LONG_TEXT(3000, 'x');  // long enough to be sent by reference

INSTANTIATE_TEST_SUITE_P(
    Cases, TraceSink,
    testing::Values(
        SinkCase{"short_lines", repeat("a" + R + "b" + R + "c\n", 500)},
        SinkCase{"no_resets_no_trace", "plain\nlines\n"},
        SinkCase{"long_line", LONG_TEXT + R + LONG_TEXT + R + "\n" + "short" + R + "\n"},
        // More pieces than one writev takes, in a single line.
        SinkCase{"many_resets_in_a_long_line", LONG_TEXT + repeat("step" + R, 400) + "\n"},
        SinkCase{"nul_in_a_long_line", LONG_TEXT + R + std::string(1, '\0') + LONG_TEXT + R},
        // More than a buffer of small pieces, spanning many lines.
        SinkCase{"trace_beyond_one_buffer", repeat("0123456789" + R + "\r\n", 20000)}),
    [](const testing::TestParamInfo<SinkCase>& info) { return std::string{info.param.name}; });

TEST(TraceSinkTerminal, ATerminalGetsNoTrace)
{
    int terminal = -1;
    int pane = -1;
    ASSERT_EQ(openpty(&terminal, &pane, nullptr, nullptr, nullptr), 0);
    const std::string source = "a" + R + "\n";
    std::string expected_output;
    expected_trace(source, expected_output);
    EXPECT_EQ(convert_in_child(source, pane), expected_output);
    close(pane);

    fcntl(terminal, F_SETFL, O_NONBLOCK);
    char byte = 0;
    EXPECT_LE(read(terminal, &byte, 1), 0) << "the terminal received trace bytes";
    close(terminal);
}

TEST(TraceSinkFailure, AVanishedReaderDoesNotStopTheConversion)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    const std::string source = repeat(LONG_TEXT + R + "\n", 3);
    std::string expected_output;
    expected_trace(source, expected_output);
    EXPECT_EQ(convert_in_child(source, ends[1]), expected_output);
    close(ends[1]);
}

}  // namespace
