#include "reference.h"

#include <cstring>

namespace reference {

namespace {

const std::string RESET{"\x1b[0m"};
const std::string WHITE{"\x1b[37m"};

// A NUL-terminated string ends at its first NUL.
void trace_string(std::vector<std::string>& trace, const std::string& text)
{
    trace.emplace_back(text.c_str(), std::strlen(text.c_str()));
}

// Text mode, one byte at a time: CR LF reads as LF, Ctrl-Z ends the file.
std::string text_mode_read(const std::string& source)
{
    std::string text;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char byte = source[i];
        if (byte == '\x1a') {
            break;
        }
        if (byte == '\r' && i + 1 < source.size() && source[i + 1] == '\n') {
            continue;
        }
        text += byte;
    }
    return text;
}

}  // namespace

void recolor_line(std::string& line, std::vector<std::string>& trace)
{
    std::size_t p = line.find(RESET, 0);
    while (p != std::string::npos) {
        trace_string(trace, line);
        trace_string(trace, "\n");
        line.insert(p + 4, WHITE);
        trace_string(trace, line);
        trace_string(trace, "\n");
        trace_string(trace, "\n");
        p = line.find(RESET, p + 1);
    }
}

std::string convert(const std::string& source, std::vector<std::string>& trace)
{
    const std::string text = text_mode_read(source);
    std::string output;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lf = text.find('\n', start);
        std::string line = text.substr(start, lf == std::string::npos ? std::string::npos : lf - start);
        recolor_line(line, trace);
        output += WHITE + line + "\r\n";
        if (lf == std::string::npos) {
            return output;
        }
        start = lf + 1;
    }
}

}  // namespace reference
