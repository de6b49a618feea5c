// Small file helpers for tests: a scratch folder per test, whole-file reads
// and writes, and a conversion run between two files.
#pragma once

#include <string>

namespace test_files {

// A new empty folder, removed with everything in it at the end of the run.
std::string scratch_folder();

void write(const std::string& path, const std::string& bytes);
std::string read(const std::string& path);
bool exists(const std::string& path);

// Converts `source` bytes with convert_log through real files, binary mode.
std::string convert_bytes(const std::string& source);

}  // namespace test_files
