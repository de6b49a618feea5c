// The interactive front end: pick a log, confirm where its converted copy
// goes, convert it, and say how it went.
#pragma once

#include <cstddef>

// Characters in the file-name buffer, the terminating NUL included.
inline constexpr std::size_t PATH_CAPACITY = 256;

// Ends the proposed destination name: the source path up to its first dot,
// then this.
inline constexpr char DEST_SUFFIX[] = " (albinated).txt";

// Rewrites the source path in `path` into the proposed destination: the path
// cut at its first dot (anywhere in it, folder names included) followed by
// DEST_SUFFIX. A proposal that would not fit leaves the buffer empty, so the
// save dialog starts without one.
void propose_destination_name(char (&path)[PATH_CAPACITY]);

// One whole run, from the open dialog to the closing message. Returns the
// exit status: 0, or 1 when the converted log could not be saved.
int run_dialog_flow();
