// The Windows file layer on real files: how streams are shared, which
// destinations are streams, how a file is known whatever its name, and how
// the converted log takes the destination's place.
#include "platform/platform.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <ostream>
#include <string>

namespace {

const std::string CONTENT = "line\r\nlone\r cr, lf\n, ctrl-z \x1a, end";

// A file opened by the file layer, and the path it was opened at.
struct Opened {
    std::FILE* stream;
    std::string path;
};

std::string slashes_to_backslashes(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string backslashes_to_slashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string folder_of(const std::string& path)
{
    return path.substr(0, path.find_last_of("\\/"));
}

// Another program's open of the file, as CreateFileA reports it.
bool other_open_succeeds(const std::string& path, DWORD access, DWORD share)
{
    const HANDLE handle =
        CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(handle);
    return true;
}

std::string read_stream(std::FILE* stream)
{
    std::string bytes;
    char buffer[256];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
        bytes.append(buffer, count);
    }
    return bytes;
}

// Every way the file layer opens a file.
struct Opener {
    const char* name;
    std::function<Opened(const std::string& folder)> open;
};

void PrintTo(const Opener& opener, std::ostream* out) { *out << opener.name; }

const Opener OPENERS[] = {
    {"source",
     [](const std::string& folder) {
         const std::string path = folder + "\\source.log";
         test_files::write(path, CONTENT);
         return Opened{open_source(path.c_str()), path};
     }},
    {"stream_destination",
     [](const std::string& folder) {
         const std::string path = folder + "\\stream.log";
         return Opened{open_stream_destination(path.c_str()), path};
     }},
    {"temp_beside",
     [](const std::string& folder) {
         std::string temp;
         std::FILE* stream = create_temp_beside((folder + "\\dest.log").c_str(), temp);
         return Opened{stream, temp};
     }},
};

class SharedOpen : public testing::TestWithParam<Opener> {};

// The log may still be growing while it is converted, and anyone may look at
// the converted copy while it is written.
TEST_P(SharedOpen, OthersMayReadAndWriteMeanwhile)
{
    const Opened opened = GetParam().open(test_files::scratch_folder());
    ASSERT_NE(opened.stream, nullptr);
    EXPECT_TRUE(other_open_succeeds(opened.path, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_FALSE(other_open_succeeds(opened.path, GENERIC_READ, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    std::fclose(opened.stream);
}

INSTANTIATE_TEST_SUITE_P(Openers, SharedOpen, testing::ValuesIn(OPENERS),
                         [](const testing::TestParamInfo<Opener>& info) {
                             return std::string{info.param.name};
                         });

TEST(BinaryStreams, SourceReadsEveryByte)
{
    const std::string path = test_files::scratch_folder() + "\\source.log";
    test_files::write(path, CONTENT);
    std::FILE* source = open_source(path.c_str());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(read_stream(source), CONTENT);
    std::fclose(source);
}

TEST(BinaryStreams, DestinationsWriteEveryByte)
{
    for (const Opener& opener : {OPENERS[1], OPENERS[2]}) {
        const Opened opened = opener.open(test_files::scratch_folder());
        ASSERT_NE(opened.stream, nullptr) << opener.name;
        std::fwrite(CONTENT.data(), 1, CONTENT.size(), opened.stream);
        std::fclose(opened.stream);
        EXPECT_EQ(test_files::read(opened.path), CONTENT) << opener.name;
    }
}

// A named pipe with one instance, read by this test.
struct PipeServer {
    std::string name = "\\\\.\\pipe\\albinate-test-" + std::to_string(GetCurrentProcessId());
    HANDLE handle = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                     4096, 4096, 0, nullptr);
    ~PipeServer() { CloseHandle(handle); }

    std::string read_all()
    {
        std::string bytes;
        char buffer[256];
        DWORD count = 0;
        while (ReadFile(handle, buffer, sizeof buffer, &count, nullptr) != 0 && count > 0) {
            bytes.append(buffer, count);
        }
        return bytes;
    }
};

TEST(StreamDestination, DevicesAndPipesAreStreamsFilesAndFoldersAreNot)
{
    const std::string folder = test_files::scratch_folder();
    test_files::write(folder + "\\file.log", "x");
    PipeServer pipe;
    ASSERT_NE(pipe.handle, INVALID_HANDLE_VALUE);
    const struct {
        std::string path;
        bool stream;
    } cases[] = {
        {folder + "\\file.log", false}, {folder + "\\missing.log", false}, {folder, false},
        {"NUL", true},                  {pipe.name, true},
        {backslashes_to_slashes(pipe.name), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(is_stream_destination(c.path.c_str()), c.stream) << c.path;
    }
}

// Asking whether a pipe is a stream must not use up its one instance: the
// converted log goes through it afterwards.
TEST(StreamDestination, PipeStillTakesTheLogAfterTheQuestion)
{
    PipeServer pipe;
    ASSERT_NE(pipe.handle, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(is_stream_destination(pipe.name.c_str()));
    std::FILE* out = open_stream_destination(pipe.name.c_str());
    ASSERT_NE(out, nullptr) << "error " << GetLastError();
    std::fwrite(CONTENT.data(), 1, CONTENT.size(), out);
    std::fclose(out);
    EXPECT_EQ(pipe.read_all(), CONTENT);
}

// The second name under which a file is opened, made from the first.
struct Spelling {
    const char* name;
    std::function<std::string(const std::string& path)> make;
    bool same;
};

void PrintTo(const Spelling& spelling, std::ostream* out) { *out << spelling.name; }

class SameFile : public testing::TestWithParam<Spelling> {};

TEST_P(SameFile, KnowsTheFileByItsIdentity)
{
    const std::string path = test_files::scratch_folder() + "\\Converted Log.txt";
    test_files::write(path, CONTENT);
    const std::string other = GetParam().make(path);
    ASSERT_FALSE(other.empty());
    std::FILE* a = open_source(path.c_str());
    std::FILE* b = open_source(other.c_str());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr) << other;
    EXPECT_EQ(same_file(a, b), GetParam().same) << other;
    EXPECT_EQ(same_file(b, a), GetParam().same) << other;
    std::fclose(b);
    std::fclose(a);
}

std::string upper_case(std::string path)
{
    std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) {
        return static_cast<char>(std::toupper(c));
    });
    return path;
}

std::string short_name(const std::string& path)
{
    char buffer[MAX_PATH];
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::string{} : std::string{buffer, length};
}

std::string hard_link(const std::string& path)
{
    const std::string link = folder_of(path) + "\\link.txt";
    return CreateHardLinkA(link.c_str(), path.c_str(), nullptr) != 0 ? link : std::string{};
}

std::string copy(const std::string& path)
{
    const std::string other = folder_of(path) + "\\copy.txt";
    test_files::write(other, test_files::read(path));
    return other;
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, SameFile,
    testing::Values(Spelling{"same_path", [](const std::string& p) { return p; }, true},
                    Spelling{"upper_case", upper_case, true},
                    Spelling{"forward_slashes", backslashes_to_slashes, true},
                    Spelling{"short_name", short_name, true},
                    Spelling{"hard_link", hard_link, true},
                    Spelling{"copy_with_the_same_bytes", copy, false}),
    [](const testing::TestParamInfo<Spelling>& info) { return std::string{info.param.name}; });

TEST(SameFileWithoutIdentity, ADeviceIsNotTheFile)
{
    const std::string path = test_files::scratch_folder() + "\\source.log";
    test_files::write(path, CONTENT);
    std::FILE* file = open_source(path.c_str());
    std::FILE* device = open_stream_destination("NUL");
    ASSERT_NE(file, nullptr);
    ASSERT_NE(device, nullptr);
    EXPECT_FALSE(same_file(file, device));
    std::fclose(device);
    std::fclose(file);
}

// The temporary file goes where the destination is, so that taking the
// destination's name is a rename on the same volume.
TEST(TempBeside, IsCreatedEmptyInTheDestinationFolder)
{
    const std::string folder = test_files::scratch_folder();
    for (const std::string& destination :
         {folder + "\\dest.log", backslashes_to_slashes(folder) + "/dest.log"}) {
        std::string temp;
        std::FILE* stream = create_temp_beside(destination.c_str(), temp);
        ASSERT_NE(stream, nullptr) << destination;
        std::fclose(stream);
        EXPECT_EQ(slashes_to_backslashes(folder_of(temp)), folder) << destination;
        EXPECT_EQ(test_files::read(temp), "") << destination;
        EXPECT_FALSE(test_files::exists(destination)) << destination;
        discard_file(temp);
        EXPECT_FALSE(test_files::exists(temp)) << destination;
    }
}

// A bare file name means the current folder.
TEST(TempBeside, BareNameUsesTheCurrentFolder)
{
    const std::string folder = test_files::scratch_folder();
    char previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_NE(SetCurrentDirectoryA(folder.c_str()), 0);
    std::string temp;
    std::FILE* stream = create_temp_beside("dest.log", temp);
    SetCurrentDirectoryA(previous);
    ASSERT_NE(stream, nullptr);
    std::fclose(stream);
    const std::string made = folder + "\\" + temp.substr(temp.find_last_of("\\/") + 1);
    EXPECT_TRUE(test_files::exists(made));
    discard_file(made);
}

TEST(TempBeside, FailsForAMissingFolder)
{
    const std::string destination = test_files::scratch_folder() + "\\missing\\dest.log";
    std::string temp = "untouched";
    EXPECT_EQ(create_temp_beside(destination.c_str(), temp), nullptr);
    EXPECT_EQ(temp, "untouched");
}

// A read-only file is not replaced behind its owner's back.
TEST(TempBeside, RefusesAReadOnlyDestination)
{
    const std::string folder = test_files::scratch_folder();
    const std::string destination = folder + "\\dest.log";
    test_files::write(destination, "old");
    ASSERT_NE(SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_READONLY), 0);
    std::string temp;
    EXPECT_EQ(create_temp_beside(destination.c_str(), temp), nullptr);
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((folder + "\\*.tmp").c_str(), &entry);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left behind: " << entry.cFileName;
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(test_files::read(destination), "old");
}

// Writes `bytes` into a temporary file beside `destination`; returns its path.
std::string finished_temp(const std::string& destination, const std::string& bytes)
{
    std::string temp;
    std::FILE* stream = create_temp_beside(destination.c_str(), temp);
    if (stream == nullptr) {
        return {};
    }
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fclose(stream);
    return temp;
}

TEST(Replace, TakesTheNameOfAnExistingDestination)
{
    const std::string destination = test_files::scratch_folder() + "\\dest.log";
    test_files::write(destination, "old content");
    const std::string temp = finished_temp(destination, "new");
    ASSERT_FALSE(temp.empty());
    EXPECT_TRUE(replace_file(temp, destination.c_str()));
    EXPECT_EQ(test_files::read(destination), "new");
    EXPECT_FALSE(test_files::exists(temp));
}

TEST(Replace, TakesANewName)
{
    const std::string destination = test_files::scratch_folder() + "\\dest.log";
    const std::string temp = finished_temp(destination, "new");
    ASSERT_FALSE(temp.empty());
    EXPECT_TRUE(replace_file(temp, destination.c_str()));
    EXPECT_EQ(test_files::read(destination), "new");
    EXPECT_FALSE(test_files::exists(temp));
}

bool running_on_wine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(Replace, KeepsTheDestinationsAttributes)
{
    if (running_on_wine()) {
        GTEST_SKIP() << "Wine's ReplaceFileA does not carry the attributes over";
    }
    const std::string destination = test_files::scratch_folder() + "\\dest.log";
    test_files::write(destination, "old");
    ASSERT_NE(SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_HIDDEN), 0);
    const std::string temp = finished_temp(destination, "new");
    ASSERT_FALSE(temp.empty());
    EXPECT_TRUE(replace_file(temp, destination.c_str()));
    EXPECT_EQ(test_files::read(destination), "new");
    const DWORD attributes = GetFileAttributesA(destination.c_str());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u) << std::hex << attributes;
}

// The flow with the source as its own destination: the source is closed
// before the converted copy takes its name.
TEST(Replace, ReplacesTheSourceOnceItIsClosed)
{
    const std::string path = test_files::scratch_folder() + "\\log.txt";
    test_files::write(path, "a\r\nb");
    std::FILE* source = open_source(path.c_str());
    ASSERT_NE(source, nullptr);
    std::string temp;
    std::FILE* out = create_temp_beside(path.c_str(), temp);
    ASSERT_NE(out, nullptr);
    const std::string bytes = read_stream(source);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fwrite("!", 1, 1, out);
    std::fclose(out);
    std::fclose(source);
    EXPECT_TRUE(replace_file(temp, path.c_str()));
    EXPECT_EQ(test_files::read(path), "a\r\nb!");
}

// A destination that another program holds open, without letting it be
// deleted, keeps its bytes; the temporary file stays for the caller to
// discard.
TEST(Replace, FailsWhileTheDestinationIsHeld)
{
    const std::string destination = test_files::scratch_folder() + "\\dest.log";
    test_files::write(destination, "old");
    const std::string temp = finished_temp(destination, "new");
    ASSERT_FALSE(temp.empty());
    const HANDLE holder = CreateFileA(destination.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(replace_file(temp, destination.c_str()));
    CloseHandle(holder);
    EXPECT_EQ(test_files::read(destination), "old");
    EXPECT_EQ(test_files::read(temp), "new");
    discard_file(temp);
    EXPECT_FALSE(test_files::exists(temp));
}

}  // namespace
