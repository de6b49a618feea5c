// The file details on Windows. Streams are opened in binary mode and shared
// for reading and writing, so that the program that writes the log may go on
// writing it, and anyone may read what is being written.
#include "platform/platform.h"

#include <cstring>
#include <io.h>
#include <share.h>

namespace {

constexpr std::size_t STREAM_BUFFER = 64 * 1024;

std::FILE* open_shared(const char* path, const char* mode)
{
    std::FILE* stream = _fsopen(path, mode, _SH_DENYNO);
    if (stream != nullptr) {
        std::setvbuf(stream, nullptr, _IOFBF, STREAM_BUFFER);
    }
    return stream;
}

bool exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool is_read_only(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// The folder part of a path, as GetTempFileNameA takes it: "." for a bare
// name, the drive for "C:name", and the root kept whole for "C:\name".
std::string folder_of(const char* path)
{
    const std::string text{path};
    const std::size_t separator = text.find_last_of("\\/");
    if (separator == std::string::npos) {
        return text.size() >= 2 && text[1] == ':' ? text.substr(0, 2) : ".";
    }
    const bool is_root = separator == 0 || (separator == 2 && text[1] == ':');
    return text.substr(0, is_root ? separator + 1 : separator);
}

bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

// A pipe name: \\.\pipe\name, or \\?\pipe\name, either slash.
bool is_pipe_name(const char* path)
{
    const std::string text{path};
    return text.size() > 9 && is_separator(text[0]) && is_separator(text[1]) &&
           (text[2] == '.' || text[2] == '?') && is_separator(text[3]) &&
           _strnicmp(text.c_str() + 4, "pipe", 4) == 0 && is_separator(text[8]);
}

// ReplaceFileA can fail half-way: the old file has been moved aside, but the
// new one has not taken its name. The name is free then, so a plain move
// finishes the job.
bool finish_replace(const std::string& temp_path, const char* path)
{
    return GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 &&
           MoveFileExA(temp_path.c_str(), path, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool file_identity(std::FILE* stream, BY_HANDLE_FILE_INFORMATION& info)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info) != 0;
}

}  // namespace

std::FILE* open_source(const char* path)
{
    return open_shared(path, "rb");
}

// A pipe, or anything else that opens and is not a disk file, such as NUL or
// COM1. A pipe is known by its name: opening it would connect to it, and
// could take the one instance its server offers. Opening with no access asks
// for nothing the object could refuse, and the backup flag lets a folder
// open too, so that it counts as a disk object and not as a stream.
bool is_stream_destination(const char* path)
{
    if (is_pipe_name(path)) {
        return true;
    }
    const HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type != FILE_TYPE_DISK;
}

std::FILE* open_stream_destination(const char* path)
{
    return open_shared(path, "wb");
}

std::FILE* create_temp_beside(const char* path, std::string& temp_path)
{
    if (is_read_only(path)) {
        return nullptr;  // replacing it would get round the file's own protection
    }
    char name[MAX_PATH];
    if (GetTempFileNameA(folder_of(path).c_str(), "alb", 0, name) == 0) {
        return nullptr;
    }
    std::FILE* stream = open_shared(name, "wb");
    if (stream == nullptr) {
        DeleteFileA(name);
        return nullptr;
    }
    temp_path = name;
    return stream;
}

// ReplaceFileA keeps what belongs to the old file rather than to its bytes:
// attributes, security, creation time, short name. A new name is a move.
bool replace_file(const std::string& temp_path, const char* path)
{
    if (!exists(path)) {
        return MoveFileExA(temp_path.c_str(), path, MOVEFILE_REPLACE_EXISTING) != 0;
    }
    const DWORD flags = REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS;
    return ReplaceFileA(path, temp_path.c_str(), nullptr, flags, nullptr, nullptr) != 0 ||
           finish_replace(temp_path, path);
}

void discard_file(const std::string& path)
{
    DeleteFileA(path.c_str());
}

// The volume serial number and the file index name a file whatever path, case,
// short name or hard link led to it.
bool same_file(std::FILE* a, std::FILE* b)
{
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return file_identity(a, first) && file_identity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}
