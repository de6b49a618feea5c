#include "platform/platform.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t STREAM_BUFFER = 64 * 1024;

std::FILE* buffered(std::FILE* stream)
{
    if (stream != nullptr) {
        std::setvbuf(stream, nullptr, _IOFBF, STREAM_BUFFER);
    }
    return stream;
}

// The file a destination name stands for: a link is followed, so that the
// replacement lands where writing to the name would have.
std::string resolve(const char* path)
{
    char* real = realpath(path, nullptr);
    if (real == nullptr) {
        return path;
    }
    std::string resolved{real};
    std::free(real);
    return resolved;
}

std::string folder_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

mode_t default_mode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::FILE* open_source(const char* path)
{
    return buffered(std::fopen(path, "rb"));
}

bool is_stream_destination(const char* path)
{
    struct stat info {};
    return stat(path, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

std::FILE* open_stream_destination(const char* path)
{
    return buffered(std::fopen(path, "wb"));
}

std::FILE* create_temp_beside(const char* path, std::string& temp_path)
{
    const std::string target = resolve(path);
    struct stat info {};
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists && access(target.c_str(), W_OK) != 0) {
        return nullptr;  // renaming would get round the file's own protection
    }
    std::string name = folder_of(target) + "/.albinate-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        return nullptr;
    }
    const mode_t mode = exists ? (info.st_mode & 07777) : default_mode();
    std::FILE* stream = fchmod(fd, mode) == 0 ? fdopen(fd, "wb") : nullptr;
    if (stream == nullptr) {
        close(fd);
        unlink(name.c_str());
        return nullptr;
    }
    temp_path = name;
    return buffered(stream);
}

bool replace_file(const std::string& temp_path, const char* path)
{
    return std::rename(temp_path.c_str(), resolve(path).c_str()) == 0;
}

void discard_file(const std::string& path)
{
    unlink(path.c_str());
}

bool same_file(std::FILE* a, std::FILE* b)
{
    struct stat first {};
    struct stat second {};
    return fstat(fileno(a), &first) == 0 && fstat(fileno(b), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
