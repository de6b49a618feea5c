#include "recolor.h"

#include "trace_channel.h"

#include <cstring>
#include <vector>

// Both streams are binary on every platform; the text-mode rules of the
// Windows C runtime are applied here, so every build reads and writes the
// same bytes.
namespace {

constexpr char LINE_FEED = '\n';
constexpr char CARRIAGE_RETURN = '\r';
constexpr char CTRL_Z = '\x1a';  // text mode reads it as the end of the file
constexpr std::string_view LINE_END{"\r\n", 2};
constexpr std::size_t CHUNK_SIZE = 64 * 1024;

// The input as read so far: a chunk of bytes and how far it is used up.
struct Input {
    std::FILE* stream;
    std::vector<char> chunk;
    std::size_t next;
    std::size_t filled;
    bool ended;
};

// A read error counts as the end of the input, as the C runtime reports it.
bool refill(Input& input)
{
    if (input.ended) {
        return false;
    }
    input.filled = std::fread(input.chunk.data(), 1, input.chunk.size(), input.stream);
    input.next = 0;
    input.ended = input.filled == 0;
    return !input.ended;
}

// Reads one line into `line`, without its line end. True when a line feed
// ended it, so that another line follows; false at the end of the input.
bool read_line(Input& input, std::string& line)
{
    for (;;) {
        if (input.next == input.filled && !refill(input)) {
            return false;
        }
        const char* begin = input.chunk.data() + input.next;
        const std::size_t available = input.filled - input.next;
        const auto* lf = static_cast<const char*>(std::memchr(begin, LINE_FEED, available));
        const std::size_t length = lf != nullptr ? static_cast<std::size_t>(lf - begin) : available;
        const auto* stop = static_cast<const char*>(std::memchr(begin, CTRL_Z, length));
        if (stop != nullptr) {
            line.append(begin, stop);
            input.ended = true;
            input.next = input.filled;
            return false;
        }
        line.append(begin, length);
        if (lf == nullptr) {
            input.next = input.filled;
            continue;
        }
        input.next += length + 1;
        if (!line.empty() && line.back() == CARRIAGE_RETURN) {
            line.pop_back();  // CR LF reads as a single line feed
        }
        return true;
    }
}

// One output line, flushed at once: the file holds every line written so far.
void write_line(std::FILE* out, const std::string& line)
{
    std::fwrite(WHITE_CODE.data(), 1, WHITE_CODE.size(), out);
    std::fwrite(line.data(), 1, line.size(), out);
    std::fwrite(LINE_END.data(), 1, LINE_END.size(), out);
    std::fflush(out);
}

}  // namespace

void convert_log(std::FILE* in, std::FILE* out)
{
    Input input{in, std::vector<char>(CHUNK_SIZE), 0, 0, false};
    std::string line;
    bool more = true;
    while (more) {
        line.clear();
        more = read_line(input, line);
        recolor_line(line);
        write_line(out, line);
    }
    trace_finish();
}
