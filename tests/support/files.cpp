#include "files.h"

#include "recolor/recolor.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace test_files {

namespace fs = std::filesystem;

namespace {

// Removes every scratch folder when the test program ends.
struct Cleanup {
    std::vector<fs::path> folders;
    ~Cleanup()
    {
        for (const fs::path& folder : folders) {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    }
};

Cleanup cleanup;

}  // namespace

std::string scratch_folder()
{
    static std::mt19937_64 random{std::random_device{}()};
    for (;;) {
        const fs::path folder = fs::temp_directory_path() / ("albinate-test-" + std::to_string(random()));
        if (fs::create_directory(folder)) {
            cleanup.folders.push_back(folder);
            return folder.string();
        }
    }
}

void write(const std::string& path, const std::string& bytes)
{
    std::ofstream file{path, std::ios::binary | std::ios::trunc};
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string read(const std::string& path)
{
    std::ifstream file{path, std::ios::binary};
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool exists(const std::string& path)
{
    return fs::exists(path);
}

std::string convert_bytes(const std::string& source)
{
    const std::string folder = scratch_folder();
    const std::string in_path = folder + "/in.log";
    const std::string out_path = folder + "/out.log";
    write(in_path, source);
    std::FILE* in = std::fopen(in_path.c_str(), "rb");
    std::FILE* out = std::fopen(out_path.c_str(), "wb");
    if (in == nullptr || out == nullptr) {
        throw std::runtime_error("cannot open the conversion files");
    }
    convert_log(in, out);
    std::fclose(out);
    std::fclose(in);
    return read(out_path);
}

}  // namespace test_files
