// The Windows trace channel: OutputDebugStringA, heard by a debug-output
// listener of the kind DebugView is, and skipped when nobody listens.
#include "recolor/recolor.h"
#include "recolor/trace_channel.h"
#include "support/files.h"
#include "support/reference.h"

#include "winapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

const std::string R = "\x1b[0m";

HANDLE buffer_ready_event()
{
    return CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
}

// A debug-output listener: it offers the shared buffer, waits for a string,
// keeps it if this process sent it, and offers the buffer again.
class Listener {
public:
    Listener()
        : mapping_{CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, BUFFER_SIZE,
                                      "DBWIN_BUFFER")},
          buffer_ready_{buffer_ready_event()},
          data_ready_{CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY")},
          stop_{CreateEventA(nullptr, TRUE, FALSE, nullptr)},
          view_{static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, BUFFER_SIZE))},
          thread_{CreateThread(nullptr, 0, run, this, 0, nullptr)}
    {
    }

    ~Listener()
    {
        stop();
        UnmapViewOfFile(view_);
        for (HANDLE handle : {mapping_, buffer_ready_, data_ready_, stop_}) {
            CloseHandle(handle);
        }
    }

    bool listening() const { return view_ != nullptr && thread_ != nullptr; }

    // Waits until every string sent so far has been read.
    const std::vector<std::string>& stop()
    {
        if (thread_ != nullptr) {
            SetEvent(stop_);
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
            thread_ = nullptr;
        }
        return received_;
    }

private:
    static constexpr DWORD BUFFER_SIZE = 4096;

    static DWORD WINAPI run(void* self)
    {
        static_cast<Listener*>(self)->loop();
        return 0;
    }

    // A string already sent is read before the stop: the data event comes
    // first in the list, and the sender has set it before it returns.
    void loop()
    {
        const HANDLE events[] = {data_ready_, stop_};
        for (;;) {
            SetEvent(buffer_ready_);
            if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
                return;
            }
            DWORD sender = 0;
            std::memcpy(&sender, view_, sizeof sender);
            if (sender == GetCurrentProcessId()) {
                received_.emplace_back(view_ + sizeof sender);
            }
        }
    }

    HANDLE mapping_;
    HANDLE buffer_ready_;
    HANDLE data_ready_;
    HANDLE stop_;
    const char* view_;
    HANDLE thread_;
    std::vector<std::string> received_;
};

// With no debugger and no listener the trace goes nowhere, and the
// conversion is told so.
TEST(WindowsTrace, NotWantedWithoutDebuggerOrListener)
{
    ASSERT_EQ(IsDebuggerPresent(), FALSE);
    trace_finish();
    EXPECT_FALSE(trace_wanted());
}

// The listener is looked for once per log: one that appears in the middle of
// a log is served from the next log on, and one that goes keeps being served
// until the log ends.
TEST(WindowsTrace, ListenerCountsFromTheNextLog)
{
    trace_finish();
    EXPECT_FALSE(trace_wanted());
    const HANDLE listener = buffer_ready_event();
    ASSERT_NE(listener, nullptr);
    EXPECT_FALSE(trace_wanted());
    trace_finish();
    EXPECT_TRUE(trace_wanted());
    CloseHandle(listener);
    EXPECT_TRUE(trace_wanted());
    trace_finish();
    EXPECT_FALSE(trace_wanted());
}

// Every trace string of a conversion reaches the listener whole, one string
// per call, exactly as the literal model builds it. The checks come after the
// listener is gone: GoogleTest sends its failure messages to the debug output
// too.
TEST(WindowsTrace, ListenerReceivesEveryStringOfALog)
{
    const std::string source = "a" + R + "b" + R + "\r\n\r\n" + R + "\0hidden"s + R + "\n" + R;
    std::string converted;
    std::vector<std::string> received;
    {
        Listener listener;
        ASSERT_TRUE(listener.listening());
        trace_finish();
        converted = test_files::convert_bytes(source);
        debug_trace("direct\n");
        received = listener.stop();
    }
    std::vector<std::string> expected;
    EXPECT_EQ(converted, reference::convert(source, expected));
    expected.push_back("direct\n");
    EXPECT_EQ(received, expected);
}

}  // namespace
