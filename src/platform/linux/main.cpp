// The Linux program starts here and runs the same entry point as Windows.
#include "platform/platform.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show);

namespace {

// Files opened later must not take the place of a missing standard stream:
// the trace would then be written into the converted log.
void keep_standard_streams_taken()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) < 0) {
            open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        }
    }
}

}  // namespace

int main()
{
    keep_standard_streams_taken();
    std::signal(SIGPIPE, SIG_IGN);  // a vanished reader is a write error, not a crash
    char no_arguments[] = "";
    return WinMain(nullptr, nullptr, no_arguments, 0);
}
