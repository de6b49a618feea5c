// What the program needs from the system it runs on. The dialogs, the message
// box and the common-controls call keep their Windows names (winapi.h: the
// system's own headers on Windows, a small stand-in of ours on Linux); the
// file details below are ours. Each platform implements this in its own
// folder, and the build picks the folder.
#pragma once

#include "winapi.h"

#include <cstdio>
#include <string>

// Opens the source log for binary reading, shared so that other programs may
// go on reading and writing it.
std::FILE* open_source(const char* path);

// True when the path names something other than a file on disk, such as a
// device or a pipe: such a destination is written in place, as a stream.
bool is_stream_destination(const char* path);

// Opens a stream destination for binary writing.
std::FILE* open_stream_destination(const char* path);

// Creates an empty temporary file in the folder of `path`, where the
// converted log is written before it takes the destination's name. Fails
// when the destination exists and may not be written. On success
// `temp_path` names the new file.
std::FILE* create_temp_beside(const char* path, std::string& temp_path);

// Gives the finished temporary file the destination's name, replacing any
// file that had it, and keeping that file's permissions where it can.
bool replace_file(const std::string& temp_path, const char* path);

// Removes a temporary file that will not be used.
void discard_file(const std::string& path);

// True when both streams are open on the same file, whatever names led there.
bool same_file(std::FILE* a, std::FILE* b);
