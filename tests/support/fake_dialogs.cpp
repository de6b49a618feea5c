#include "fake_dialogs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>

namespace fake_dialogs {

namespace {

std::deque<std::optional<std::string>> answers;
std::vector<DialogCall> dialog_calls;
std::vector<MessageCall> message_calls;
int init_calls = 0;

std::string filter_bytes(const char* filter)
{
    if (filter == nullptr) {
        return {};
    }
    const char* end = filter;
    while (end[0] != '\0' || end[1] != '\0') {
        ++end;
    }
    return std::string(filter, end + 2);
}

std::vector<std::string> open_files()
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error);
        if (!error && std::filesystem::is_regular_file(target, error)) {
            files.push_back(target.string());
        }
    }
    return files;
}

BOOL answer(const char* kind, OPENFILENAMEA* record)
{
    DialogCall call;
    call.kind = kind;
    const auto* bytes = reinterpret_cast<const unsigned char*>(record);
    call.record.assign(bytes, bytes + OPENFILENAME_SIZE_VERSION_400A);
    std::memcpy(&call.fields, record, OPENFILENAME_SIZE_VERSION_400A);
    call.buffer.assign(record->lpstrFile, record->nMaxFile);
    call.filter = filter_bytes(record->lpstrFilter);
    dialog_calls.push_back(call);

    if (answers.empty() || !answers.front().has_value()) {
        if (!answers.empty()) {
            answers.pop_front();
        }
        return 0;
    }
    const std::string path = *answers.front();
    answers.pop_front();
    if (path.size() + 1 > record->nMaxFile) {
        ADD_FAILURE() << "the script answers with a path longer than the buffer";
        return 0;
    }
    std::memcpy(record->lpstrFile, path.c_str(), path.size() + 1);
    return 1;
}

}  // namespace

void script(std::vector<std::optional<std::string>> next)
{
    answers.assign(next.begin(), next.end());
    dialog_calls.clear();
    message_calls.clear();
    init_calls = 0;
}

const std::vector<DialogCall>& dialogs() { return dialog_calls; }
const std::vector<MessageCall>& messages() { return message_calls; }
int common_controls_calls() { return init_calls; }

}  // namespace fake_dialogs

BOOL WINAPI GetOpenFileNameA(OPENFILENAMEA* record)
{
    return fake_dialogs::answer("open", record);
}

BOOL WINAPI GetSaveFileNameA(OPENFILENAMEA* record)
{
    return fake_dialogs::answer("save", record);
}

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    fake_dialogs::message_calls.push_back({text, caption, type, fake_dialogs::open_files()});
    return IDOK;
}

void WINAPI InitCommonControls()
{
    ++fake_dialogs::init_calls;
}
