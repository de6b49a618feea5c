#include "recolor.h"

#include "trace_channel.h"

#include <algorithm>
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
constexpr std::size_t FRAME_SIZE = 4096;  // a whole short output line

// The input as read so far: a chunk of bytes and how far it is used up.
struct Input {
    std::FILE* stream;
    std::vector<char> chunk;
    std::size_t next;
    std::size_t filled;
    bool ended;
};

// A read error counts as the end of the input, as the C runtime reports it.
// A Ctrl-Z ends the input too: the chunk is cut short there, so that lines
// never need to look for it.
bool refill(Input& input)
{
    if (input.ended) {
        return false;
    }
    char* data = input.chunk.data();
    input.filled = std::fread(data, 1, input.chunk.size(), input.stream);
    input.next = 0;
    input.ended = input.filled == 0;
    if (const void* stop = std::memchr(data, CTRL_Z, input.filled)) {
        input.filled = static_cast<std::size_t>(static_cast<const char*>(stop) - data);
        input.ended = true;
    }
    return input.filled > 0;
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
// A short line is put together first and handed over in a single call.
void write_line(std::FILE* out, const std::string& line)
{
    char frame[FRAME_SIZE];
    if (line.size() <= FRAME_SIZE - WHITE_CODE.size() - LINE_END.size()) {
        char* end = std::copy(WHITE_CODE.begin(), WHITE_CODE.end(), frame);
        end = std::copy(line.begin(), line.end(), end);
        end = std::copy(LINE_END.begin(), LINE_END.end(), end);
        std::fwrite(frame, 1, static_cast<std::size_t>(end - frame), out);
    } else {
        std::fwrite(WHITE_CODE.data(), 1, WHITE_CODE.size(), out);
        std::fwrite(line.data(), 1, line.size(), out);
        std::fwrite(LINE_END.data(), 1, LINE_END.size(), out);
    }
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
