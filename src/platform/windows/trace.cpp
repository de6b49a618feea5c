// The trace on Windows: OutputDebugStringA, one call per trace string.
//
// The strings reach a debugger attached to the program, or a debug-output
// listener such as DebugView. With neither there (the usual case) they would
// go nowhere, so the conversion is told not to build them: a line with many
// resets then costs its length once instead of once per reset.
#include "recolor/recolor.h"
#include "recolor/trace_channel.h"

#include "winapi.h"

#include <string>

namespace {

enum class Listener { unknown, present, absent };

// A listener announces itself with this event, in the session's namespace or
// in the global one; looking once per log spares a kernel call per line.
Listener listener = Listener::unknown;
std::string joined;  // reused, so that its memory grows once

bool event_exists(const char* name)
{
    const HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, name);
    if (event == nullptr) {
        return false;
    }
    CloseHandle(event);
    return true;
}

bool listener_present()
{
    return event_exists("DBWIN_BUFFER_READY") || event_exists("Global\\DBWIN_BUFFER_READY");
}

}  // namespace

bool trace_wanted()
{
    if (IsDebuggerPresent() != 0) {
        return true;  // no kernel call: the flag sits in the process's own memory
    }
    if (listener == Listener::unknown) {
        listener = listener_present() ? Listener::present : Listener::absent;
    }
    return listener == Listener::present;
}

void trace_send(std::string_view head, std::string_view tail)
{
    joined.assign(head).append(tail);
    OutputDebugStringA(joined.c_str());
}

// Nothing is held back: every string has gone out when trace_send returns.
void trace_release() {}

void trace_finish()
{
    listener = Listener::unknown;  // a listener may come or go before the next log
}

void debug_trace(const char* text)
{
    OutputDebugStringA(text);
}
