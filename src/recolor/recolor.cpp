#include "recolor.h"

#include "trace_channel.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

constexpr std::string_view SEPARATOR{"\n", 1};
constexpr std::size_t SHORT_LINE = 4096;

// Where the next reset at or after `from` starts, or npos. Looks for the
// escape byte, then checks the three bytes behind it in place.
std::size_t find_reset(const std::string& line, std::size_t from)
{
    const char* data = line.data();
    // One past the last place where a whole reset still fits.
    const std::size_t last =
        line.size() < RESET_CODE.size() ? 0 : line.size() - RESET_CODE.size() + 1;
    while (from < last) {
        const void* escape = std::memchr(data + from, RESET_CODE[0], last - from);
        if (escape == nullptr) {
            return std::string::npos;
        }
        const auto at = static_cast<std::size_t>(static_cast<const char*>(escape) - data);
        if (std::memcmp(data + at + 1, RESET_CODE.data() + 1, RESET_CODE.size() - 1) == 0) {
            return at;
        }
        from = at + 1;
    }
    return std::string::npos;
}

std::size_t count_resets(const std::string& line, std::size_t first)
{
    std::size_t count = 0;
    for (std::size_t p = first; p != std::string::npos;
         p = find_reset(line, p + RESET_CODE.size())) {
        ++count;
    }
    return count;
}

// The line as it stands while the insertions run is the finished part of the
// result, `done`, followed by the unread rest of `line` from `from` on. The
// trace shows it only up to its first NUL: `nul` is that NUL's place in
// `line`, and `nul_out` its place in the result once it has been copied there.
void trace_stage(std::string_view done, const std::string& line, std::size_t from,
                 std::size_t nul, std::size_t nul_out)
{
    if (nul_out != std::string::npos) {
        trace_send(done.substr(0, nul_out), {});
        return;
    }
    trace_send(done, std::string_view{line}.substr(from, nul - from));
}

// The recoloured line is built here and then swaps places with the line, so
// the memory of both is reused from line to line instead of taken afresh.
std::string result;

// Sizes the result for the whole line at once: the trace holds pieces of it,
// so it must not move while it fills. A short line gets room for as many
// resets as it could hold; a long one has them counted, so that it gets no
// more room than it will use.
void size_result(const std::string& line, std::size_t first)
{
    const std::size_t resets = line.size() <= SHORT_LINE ? line.size() / RESET_CODE.size()
                                                         : count_resets(line, first);
    result.resize(line.size() + resets * WHITE_CODE.size());
}

}  // namespace

// Each reset found in the original line gets its white code, as if the line
// were searched again after every insertion: the inserted code holds no reset
// and cannot form one with its neighbours. Building the result in one pass,
// and tracing each intermediate line as two pieces of it, keeps the work
// linear however many resets a line has.
void recolor_line(std::string& line)
{
    const std::size_t first = find_reset(line, 0);
    if (first == std::string::npos) {
        return;
    }
    size_result(line, first);
    const bool tracing = trace_wanted();
    const std::size_t nul = std::min(line.find('\0'), line.size());
    std::size_t nul_out = std::string::npos;

    char* const out = result.data();
    std::size_t done = 0;  // bytes of the result written so far
    std::size_t from = 0;
    for (std::size_t p = first; p != std::string::npos; p = find_reset(line, from)) {
        const std::size_t end = p + RESET_CODE.size();
        if (tracing) {
            trace_stage({out, done}, line, from, nul, nul_out);
            trace_send(SEPARATOR, {});
        }
        if (nul_out == std::string::npos && nul < end) {
            nul_out = done + (nul - from);
        }
        std::memcpy(out + done, line.data() + from, end - from);
        done += end - from;
        std::memcpy(out + done, WHITE_CODE.data(), WHITE_CODE.size());
        done += WHITE_CODE.size();
        from = end;
        if (tracing) {
            trace_stage({out, done}, line, from, nul, nul_out);
            trace_send(SEPARATOR, {});
            trace_send(SEPARATOR, {});
        }
    }
    std::memcpy(out + done, line.data() + from, line.size() - from);
    result.resize(done + line.size() - from);
    if (tracing) {
        trace_release();
    }
    line.swap(result);
}
