// A scripted stand-in for the Windows dialogs and message box: it answers
// from a script and keeps what each dialog was shown.
#pragma once

#include "platform/platform.h"

#include <optional>
#include <string>
#include <vector>

namespace fake_dialogs {

// What a file dialog received, copied when it was called.
struct DialogCall {
    std::string kind;  // "open" or "save"
    std::vector<unsigned char> record;  // the record's first OPENFILENAME_SIZE_VERSION_400A bytes
    OPENFILENAMEA fields{};
    std::string buffer;  // all nMaxFile characters of the file-name buffer
    std::string filter;  // the filter list up to and including its final double NUL
};

struct MessageCall {
    std::string text;
    std::string caption;
    UINT type;
    std::vector<std::string> open_files;  // what the process held open at that moment
};

// Answers for the file dialogs, in order: a path, or nothing for Cancel.
void script(std::vector<std::optional<std::string>> answers);

const std::vector<DialogCall>& dialogs();
const std::vector<MessageCall>& messages();
int common_controls_calls();

}  // namespace fake_dialogs
