// The debugger output channel as the conversion uses it. The platform layer
// implements these; tests put a recorder in their place.
#pragma once

#include <string_view>

// False when nothing could receive the trace, so building it can be skipped.
bool trace_wanted();

// Sends one trace string, given as two pieces that follow each other. Either
// piece may be empty; neither holds a NUL. A piece may be kept by reference
// until trace_release(), so its bytes must stay put until then.
void trace_send(std::string_view head, std::string_view tail);

// Called before the bytes of earlier pieces change or go away.
void trace_release();

// Called at the end of a log: whatever is still held back goes out now.
void trace_finish();
