// Log recolouring: every line of a converted log starts white, and turns
// white again after each full reset.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// SGR "reset all attributes": ESC [ 0 m.
inline constexpr std::string_view RESET_CODE{"\x1b[0m", 4};
// SGR "white foreground": ESC [ 3 7 m.
inline constexpr std::string_view WHITE_CODE{"\x1b[37m", 5};

// Inserts WHITE_CODE directly behind every RESET_CODE of the line, left to
// right, and traces each insertion: the line before it, "\n", the line after
// it, "\n", "\n". A traced line ends at its first NUL byte.
void recolor_line(std::string& line);

// Sends one NUL-terminated string to the debugger output channel. Provided by
// the platform layer; nothing comes back, not even a failure.
void debug_trace(const char* text);

// Copies a log from `in` to `out`, both opened in binary mode and still open
// on return. Reading follows the Windows text-mode rules (CR LF reads as LF,
// Ctrl-Z ends the input); every output line is WHITE_CODE, the recoloured
// line and CR LF, flushed before the next line is read. Bytes after the last
// LF form a last line, so N LF-terminated lines give N + 1 output lines.
// Failures show only as the streams' error indications.
void convert_log(std::FILE* in, std::FILE* out);
