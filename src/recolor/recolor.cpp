#include "recolor.h"

#include "trace_channel.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr std::string_view SEPARATOR{"\n", 1};

std::size_t count_resets(const std::string& line)
{
    std::size_t count = 0;
    for (std::size_t p = line.find(RESET_CODE); p != std::string::npos;
         p = line.find(RESET_CODE, p + RESET_CODE.size())) {
        ++count;
    }
    return count;
}

// The line as it stands while the insertions run is the finished part of
// `out` followed by the unread rest of `line` from `from` on. The trace shows
// it only up to its first NUL: `nul` is that NUL's place in `line`, and
// `nul_out` its place in `out` once it has been copied there.
void trace_stage(const std::string& out, const std::string& line, std::size_t from,
                 std::size_t nul, std::size_t nul_out)
{
    const std::string_view done{out};
    if (nul_out != std::string::npos) {
        trace_send(done.substr(0, nul_out), {});
        return;
    }
    trace_send(done, std::string_view{line}.substr(from, nul - from));
}

}  // namespace

// Each reset found in the original line gets its white code, as if the line
// were searched again after every insertion: the inserted code holds no reset
// and cannot form one with its neighbours. Building the result in one pass,
// and tracing each intermediate line as two pieces of it, keeps the work
// linear however many resets a line has.
void recolor_line(std::string& line)
{
    const std::size_t resets = count_resets(line);
    if (resets == 0) {
        return;
    }
    const bool tracing = trace_wanted();
    const std::size_t nul = std::min(line.find('\0'), line.size());
    std::size_t nul_out = std::string::npos;

    std::string out;
    out.reserve(line.size() + resets * WHITE_CODE.size());  // no moves while pieces are out
    std::size_t from = 0;
    for (std::size_t p = line.find(RESET_CODE); p != std::string::npos;
         p = line.find(RESET_CODE, from)) {
        const std::size_t end = p + RESET_CODE.size();
        if (tracing) {
            trace_stage(out, line, from, nul, nul_out);
            trace_send(SEPARATOR, {});
        }
        if (nul_out == std::string::npos && nul < end) {
            nul_out = out.size() + (nul - from);
        }
        out.append(line, from, end - from).append(WHITE_CODE);
        from = end;
        if (tracing) {
            trace_stage(out, line, from, nul, nul_out);
            trace_send(SEPARATOR, {});
            trace_send(SEPARATOR, {});
        }
    }
    out.append(line, from, std::string::npos);
    if (tracing) {
        trace_release();
    }
    line.swap(out);
}
