// A deliberately literal model of the conversion, kept as plain as possible:
// it inserts into the line, searches again from one past the reset, and
// builds every trace string in full. The fast code must match it byte for
// byte, trace included.
#pragma once

#include <string>
#include <vector>

namespace reference {

void recolor_line(std::string& line, std::vector<std::string>& trace);

// Converts a whole log, read as the Windows C runtime reads a text file.
std::string convert(const std::string& source, std::vector<std::string>& trace);

}  // namespace reference
