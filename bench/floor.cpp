// The least a converter that flushes every line can cost: it reads a file and
// writes each line with one write(2), changing nothing.
//
//   floor SOURCE DESTINATION
//
// A line that lies within one read chunk is written straight from the chunk;
// a longer one is gathered first, so that it still takes a single write.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t CHUNK_SIZE = 64 * 1024;

bool write_all(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Writes the finished lines of `chunk`; the unfinished rest waits in `carry`.
bool write_lines(int out, const char* chunk, std::size_t size, std::string& carry)
{
    const char* end = chunk + size;
    while (chunk < end) {
        const auto* lf = static_cast<const char*>(std::memchr(chunk, '\n', end - chunk));
        if (lf == nullptr) {
            carry.append(chunk, end);
            return true;
        }
        const char* next = lf + 1;
        bool written = false;
        if (carry.empty()) {
            written = write_all(out, chunk, next - chunk);
        } else {
            carry.append(chunk, next);
            written = write_all(out, carry.data(), carry.size());
            carry.clear();
        }
        if (!written) {
            return false;
        }
        chunk = next;
    }
    return true;
}

bool copy_lines(int in, int out)
{
    std::vector<char> chunk(CHUNK_SIZE);
    std::string carry;
    for (;;) {
        const ssize_t got = read(in, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return write_all(out, carry.data(), carry.size());
        }
        if (!write_lines(out, chunk.data(), static_cast<std::size_t>(got), carry)) {
            return false;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: floor SOURCE DESTINATION\n", stderr);
        return 2;
    }
    const int in = open(argv[1], O_RDONLY);
    if (in < 0) {
        std::perror(argv[1]);
        return 1;
    }
    const int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) {
        std::perror(argv[2]);
        return 1;
    }
    if (!copy_lines(in, out) || close(out) != 0) {
        std::perror("floor");
        return 1;
    }
    close(in);
    return 0;
}
