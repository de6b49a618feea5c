// Terminal stand-ins for the Windows dialogs and message box. What they show
// goes to standard output; answers are read a line at a time from standard
// input, a terminal or a pipe alike. The end of the input at any question
// counts as Cancel.
#include "platform/platform.h"

#include <cerrno>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char OVERWRITE_QUESTION[] = "¿Reemplazar el archivo existente? (s/n)";

bool ask(const char* question, std::string& answer)
{
    std::cout << question << ' ' << std::flush;
    if (!std::getline(std::cin, answer)) {
        std::cout << '\n';  // leave the terminal on a fresh line
        return false;
    }
    return true;
}

std::string current_folder()
{
    std::vector<char> name(4096);
    while (getcwd(name.data(), name.size()) == nullptr) {
        if (errno != ERANGE) {
            return "/";
        }
        name.resize(name.size() * 2);
    }
    return name.data();
}

std::string folder_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// Makes `name` absolute against `folder` and drops "." and ".." steps, as a
// Windows dialog returns a full path. A dot left in a folder step would
// otherwise end up cutting the proposed name short.
std::string full_path(const std::string& folder, const std::string& name)
{
    const std::string joined = name.front() == '/' ? name : folder + "/" + name;
    std::vector<std::string> steps;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos) {
            end = joined.size();
        }
        const std::string step = joined.substr(start, end - start);
        if (step == "..") {
            if (!steps.empty()) {
                steps.pop_back();
            }
        } else if (!step.empty() && step != ".") {
            steps.push_back(step);
        }
        start = end + 1;
    }
    std::string path;
    for (const std::string& step : steps) {
        path += "/" + step;
    }
    return path.empty() ? "/" : path;
}

bool exists(const std::string& path, struct stat& info)
{
    return stat(path.c_str(), &info) == 0;
}

// The reason a path is not acceptable to the open dialog, or null.
const char* open_refusal(const std::string& path, DWORD flags)
{
    struct stat info {};
    if ((flags & OFN_FILEMUSTEXIST) != 0) {
        if (!exists(path, info)) {
            return "No existe ese archivo.";
        }
        if (!S_ISREG(info.st_mode)) {
            return "Eso no es un archivo.";
        }
    }
    if ((flags & OFN_PATHMUSTEXIST) != 0 &&
        (!exists(folder_of(path), info) || !S_ISDIR(info.st_mode))) {
        return "No existe esa carpeta.";
    }
    return nullptr;
}

void show_header(const OPENFILENAMEA& record)
{
    std::cout << "\n== " << (record.lpstrTitle != nullptr ? record.lpstrTitle : "") << " ==\n";
}

void show_filter(const char* filter)
{
    if (filter == nullptr) {
        return;
    }
    std::cout << "Tipos:";
    for (const char* entry = filter; *entry != '\0';) {
        const char* pattern = entry + std::char_traits<char>::length(entry) + 1;
        std::cout << "  " << entry << " (" << pattern << ")";
        entry = pattern + std::char_traits<char>::length(pattern) + 1;
    }
    std::cout << "\n";
}

// Puts the chosen path into the record's buffer; a path that does not fit
// fails the dialog, as on Windows.
BOOL deliver(OPENFILENAMEA& record, const std::string& path)
{
    if (path.size() + 1 > record.nMaxFile) {
        std::cout << "La ruta es demasiado larga.\n";
        return 0;
    }
    path.copy(record.lpstrFile, path.size());
    record.lpstrFile[path.size()] = '\0';
    return 1;
}

// Asks whether an existing file may be replaced: true for "s" or "S".
bool confirm_overwrite(bool& cancelled)
{
    std::string answer;
    cancelled = !ask(OVERWRITE_QUESTION, answer);
    return !cancelled && (answer == "s" || answer == "S");
}

}  // namespace

BOOL WINAPI GetOpenFileNameA(OPENFILENAMEA* record)
{
    show_header(*record);
    show_filter(record->lpstrFilter);
    std::string answer;
    while (ask("Archivo:", answer)) {
        if (answer.empty()) {
            continue;
        }
        const std::string path = full_path(current_folder(), answer);
        if (const char* refusal = open_refusal(path, record->Flags)) {
            std::cout << refusal << "\n";
            continue;
        }
        return deliver(*record, path);
    }
    return 0;
}

BOOL WINAPI GetSaveFileNameA(OPENFILENAMEA* record)
{
    show_header(*record);
    const std::string proposal = record->lpstrFile;
    const std::string folder = proposal.empty() ? current_folder() : folder_of(proposal);
    if (!proposal.empty()) {
        std::cout << "Propuesta: " << proposal << "\n";
    }
    std::string answer;
    while (ask(proposal.empty() ? "Guardar como:" : "Guardar como (Intro acepta la propuesta):",
               answer)) {
        if (answer.empty() && proposal.empty()) {
            continue;
        }
        const std::string path = answer.empty() ? proposal : full_path(folder, answer);
        struct stat info {};
        const bool found = exists(path, info);
        if (found && S_ISDIR(info.st_mode)) {
            std::cout << "Eso es una carpeta.\n";
            continue;
        }
        if (found && (record->Flags & OFN_OVERWRITEPROMPT) != 0) {
            bool cancelled = false;
            if (!confirm_overwrite(cancelled)) {
                if (cancelled) {
                    return 0;
                }
                continue;
            }
        }
        return deliver(*record, path);
    }
    return 0;
}

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    std::cout << "\n[" << (caption != nullptr ? caption : "") << "] "
              << (text != nullptr ? text : "") << "\n";
    std::string answer;
    ask("(Intro para cerrar)", answer);
    return IDOK;
}

void WINAPI InitCommonControls() {}
