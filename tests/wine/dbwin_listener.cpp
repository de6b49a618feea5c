// Receives what programs send with OutputDebugString, the way a debug-output
// viewer does, and writes each string to a file as one record:
// its length in decimal, a colon, its bytes exactly, then a newline.
//
// Usage: dbwin_listener OUTPUT READY STOP [SECONDS]
// Creates OUTPUT, and READY once it is listening; stops when the file STOP
// appears, or after SECONDS (default 60). Exit status 0 when stopped by STOP,
// 1 on a timeout, 2 when it cannot listen (for one, another listener is
// already there).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD BUFFER_SIZE = 4096;
constexpr DWORD POLL_MS = 50;

// The shared buffer: the sender's process id (not recorded), then its
// string, NUL-ended.
struct Message {
    DWORD process_id;
    char text[BUFFER_SIZE - sizeof(DWORD)];
};

struct Channel {
    HANDLE buffer_ready = nullptr;
    HANDLE data_ready = nullptr;
    HANDLE mapping = nullptr;
    const Message* message = nullptr;
};

// Creates a named object and fails when it already existed: two listeners
// would take strings from each other.
bool created_afresh(HANDLE handle)
{
    return handle != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
}

bool open_channel(Channel& channel)
{
    channel.buffer_ready = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    if (!created_afresh(channel.buffer_ready)) {
        return false;
    }
    channel.data_ready = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    if (!created_afresh(channel.data_ready)) {
        return false;
    }
    channel.mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                         BUFFER_SIZE, "DBWIN_BUFFER");
    if (!created_afresh(channel.mapping)) {
        return false;
    }
    channel.message = static_cast<const Message*>(
        MapViewOfFile(channel.mapping, FILE_MAP_READ, 0, 0, BUFFER_SIZE));
    return channel.message != nullptr;
}

bool file_exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool touch(const char* path)
{
    std::FILE* file = std::fopen(path, "wb");
    return file != nullptr && std::fclose(file) == 0;
}

// Copies the string out of the shared buffer, which the sender may reuse as
// soon as the buffer is offered again.
void record(std::FILE* out, const Message& message)
{
    const std::size_t length = strnlen(message.text, sizeof message.text);
    std::fprintf(out, "%lu:", static_cast<unsigned long>(length));
    std::fwrite(message.text, 1, length, out);
    std::fputc('\n', out);
    std::fflush(out);
}

// Takes strings until STOP appears. STOP is looked for only when no string
// is waiting, so that one sent just before STOP was made is still recorded.
int listen(const Channel& channel, std::FILE* out, const char* stop, DWORD seconds)
{
    const ULONGLONG deadline = GetTickCount64() + 1000ULL * seconds;
    for (;;) {
        if (WaitForSingleObject(channel.data_ready, POLL_MS) == WAIT_OBJECT_0) {
            record(out, *channel.message);
            SetEvent(channel.buffer_ready);
        } else if (file_exists(stop)) {
            return 0;
        } else if (GetTickCount64() > deadline) {
            return 1;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: dbwin_listener OUTPUT READY STOP [SECONDS]\n");
        return 2;
    }
    const DWORD seconds = argc == 5 ? std::strtoul(argv[4], nullptr, 10) : 60;
    Channel channel;
    if (!open_channel(channel)) {
        std::fprintf(stderr, "dbwin_listener: cannot listen (error %lu)\n", GetLastError());
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "dbwin_listener: cannot write %s\n", argv[1]);
        return 2;
    }
    // Senders wait for the buffer to be offered before they write into it.
    SetEvent(channel.buffer_ready);
    if (!touch(argv[2])) {
        std::fprintf(stderr, "dbwin_listener: cannot write %s\n", argv[2]);
        return 2;
    }
    const int status = listen(channel, out, argv[3], seconds);
    std::fclose(out);
    return status;
}
