#include "interactive.h"

#include "platform/platform.h"
#include "recolor/recolor.h"

#include <cstring>
#include <string>

namespace {

// Each string ends in NUL; the literal's own NUL ends the list.
constexpr char FILTER[] = "Archivos de texto\0*.txt;\0Todos los archivos\0*.*\0";
constexpr char OPEN_TITLE[] = "Selecciona el log a convertir";
constexpr char SAVE_TITLE[] = "Introduce el nombre del archivo de destino";
constexpr char CAPTION[] = "Dude";
constexpr char DONE_TEXT[] = "Ale, ya puedes ir a subir el log";
constexpr char FAILED_TEXT[] = "No se pudo guardar el log convertido";

static_assert(sizeof(void*) != 4 || OPENFILENAME_SIZE_VERSION_400A == 76,
              "the 32-bit dialog record is 76 bytes");

// Both dialogs get a record zeroed afresh, with only these fields set.
void prepare_record(OPENFILENAMEA& record, char (&path)[PATH_CAPACITY], const char* title,
                    DWORD flags)
{
    std::memset(&record, 0, OPENFILENAME_SIZE_VERSION_400A);
    record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    record.lpstrFilter = FILTER;
    record.nFilterIndex = 1;
    record.lpstrFile = path;
    record.nMaxFile = PATH_CAPACITY;
    record.lpstrTitle = title;
    record.Flags = flags;
}

// Closes the output, then the source. True when the whole source was read
// and every byte of the output reached the file.
bool close_both(std::FILE* source, std::FILE* out)
{
    const bool read_all = std::ferror(source) == 0;
    const bool written = std::fflush(out) == 0 && std::ferror(out) == 0;
    const bool closed = std::fclose(out) == 0;
    std::fclose(source);
    return read_all && written && closed;
}

// A file destination is written under a temporary name and takes its own
// name only when complete: a failure leaves no half-written log behind, and
// a destination that is the source itself stays intact until then.
bool save_as_file(std::FILE* source, const char* path)
{
    std::string temp;
    std::FILE* out = create_temp_beside(path, temp);
    if (out == nullptr) {
        std::fclose(source);
        return false;
    }
    convert_log(source, out);
    if (close_both(source, out) && replace_file(temp, path)) {
        return true;
    }
    discard_file(temp);
    return false;
}

// A device or a pipe is written as it goes; it is never the source itself,
// since reading and writing the same stream would eat the log.
bool save_as_stream(std::FILE* source, const char* path)
{
    std::FILE* out = open_stream_destination(path);
    if (out == nullptr || same_file(source, out)) {
        if (out != nullptr) {
            std::fclose(out);
        }
        std::fclose(source);
        return false;
    }
    convert_log(source, out);
    return close_both(source, out);
}

bool save_converted(std::FILE* source, const char* path)
{
    if (is_stream_destination(path)) {
        return save_as_stream(source, path);
    }
    return save_as_file(source, path);
}

}  // namespace

int run_dialog_flow()
{
    char path[PATH_CAPACITY];
    std::memset(path, 0, sizeof path);
    InitCommonControls();

    OPENFILENAMEA record;
    prepare_record(record, path, OPEN_TITLE, OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    if (GetOpenFileNameA(&record) == 0) {
        return 0;
    }
    std::FILE* source = open_source(path);
    if (source == nullptr) {
        return 0;
    }
    propose_destination_name(path);
    prepare_record(record, path, SAVE_TITLE, OFN_OVERWRITEPROMPT);
    if (GetSaveFileNameA(&record) == 0) {
        std::fclose(source);
        return 0;
    }
    if (!save_converted(source, path)) {
        MessageBoxA(nullptr, FAILED_TEXT, CAPTION, MB_ICONERROR);
        return 1;
    }
    MessageBoxA(nullptr, DONE_TEXT, CAPTION, MB_ICONINFORMATION);
    return 0;
}
