// The dialog flow against scripted dialogs and real files.
#include "interactive/interactive.h"
#include "support/fake_dialogs.h"
#include "support/files.h"
#include "support/trace_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using fake_dialogs::DialogCall;
using std::nullopt;

const std::string R = "\x1b[0m";
const std::string W = "\x1b[37m";
const std::string SOURCE_BYTES = "uno" + R + "dos\r\ntres\n";
const std::string CONVERTED = W + "uno" + R + W + "dos\r\n" + W + "tres\r\n" + W + "\r\n";
constexpr char FILTER_LIST[] = "Archivos de texto\0*.txt;\0Todos los archivos\0*.*\0";
const std::string FILTER{FILTER_LIST, sizeof FILTER_LIST};  // with the closing NUL
const std::string DONE = "Ale, ya puedes ir a subir el log";
const std::string FAILED = "No se pudo guardar el log convertido";

std::vector<std::string> folder_listing(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Flow : public testing::Test {
protected:
    void SetUp() override
    {
        trace_recorder::reset(false);
        folder = test_files::scratch_folder();
        source = folder + "/monday.txt";
        proposal = folder + "/monday (albinated).txt";
        test_files::write(source, SOURCE_BYTES);
    }

    std::string folder;
    std::string source;
    std::string proposal;
};

void expect_record(const DialogCall& call, const char* title, DWORD flags)
{
    const OPENFILENAMEA& r = call.fields;
    EXPECT_EQ(r.lStructSize, OPENFILENAME_SIZE_VERSION_400A);
    EXPECT_EQ(call.filter, FILTER);
    EXPECT_EQ(r.nFilterIndex, 1u);
    EXPECT_NE(r.lpstrFile, nullptr);
    EXPECT_EQ(r.nMaxFile, PATH_CAPACITY);
    EXPECT_STREQ(r.lpstrTitle, title);
    EXPECT_EQ(r.Flags, flags);
    // Everything else is zero.
    OPENFILENAMEA expected{};
    expected.lStructSize = r.lStructSize;
    expected.lpstrFilter = r.lpstrFilter;
    expected.nFilterIndex = r.nFilterIndex;
    expected.lpstrFile = r.lpstrFile;
    expected.nMaxFile = r.nMaxFile;
    expected.lpstrTitle = r.lpstrTitle;
    expected.Flags = r.Flags;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&expected);
    EXPECT_EQ(call.record, std::vector<unsigned char>(bytes, bytes + OPENFILENAME_SIZE_VERSION_400A));
}

TEST_F(Flow, ConvertsWithTheProposedNameAndSaysSoOnceEverythingIsClosed)
{
    fake_dialogs::script({source, proposal});
    EXPECT_EQ(run_dialog_flow(), 0);

    EXPECT_EQ(fake_dialogs::common_controls_calls(), 1);
    const auto& calls = fake_dialogs::dialogs();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, "open");
    expect_record(calls[0], "Selecciona el log a convertir", 0x1800);
    EXPECT_EQ(calls[0].buffer, std::string(PATH_CAPACITY, '\0'));
    EXPECT_EQ(calls[1].kind, "save");
    expect_record(calls[1], "Introduce el nombre del archivo de destino", 0x2);
    EXPECT_EQ(std::string{calls[1].buffer.c_str()}, proposal);

    ASSERT_EQ(fake_dialogs::messages().size(), 1u);
    const auto& message = fake_dialogs::messages()[0];
    EXPECT_EQ(message.text, DONE);
    EXPECT_EQ(message.caption, "Dude");
    EXPECT_EQ(message.type, static_cast<UINT>(MB_ICONINFORMATION));
    for (const std::string& open : message.open_files) {
        EXPECT_EQ(open.find(folder), std::string::npos) << open << " still open";
    }
    EXPECT_EQ(test_files::read(proposal), CONVERTED);
    EXPECT_EQ(test_files::read(source), SOURCE_BYTES);
    EXPECT_EQ(folder_listing(folder), (std::vector<std::string>{"monday (albinated).txt", "monday.txt"}));
}

// Cancel, or a source that cannot be opened, ends the run: status 0, no
// message, nothing written.
struct SilentCase {
    const char* name;
    bool open_answered;
    bool source_exists;
    bool save_answered;
    std::size_t dialogs_shown;
};

void PrintTo(const SilentCase& c, std::ostream* out) { *out << c.name; }

class SilentEnd : public Flow, public testing::WithParamInterface<SilentCase> {};

TEST_P(SilentEnd, EndsWithStatusZeroAndWritesNothing)
{
    const SilentCase& c = GetParam();
    const std::string chosen = c.source_exists ? source : folder + "/gone.txt";
    std::vector<std::optional<std::string>> answers;
    answers.push_back(c.open_answered ? std::optional<std::string>{chosen} : nullopt);
    answers.push_back(c.save_answered ? std::optional<std::string>{proposal} : nullopt);
    fake_dialogs::script(answers);

    EXPECT_EQ(run_dialog_flow(), 0);
    EXPECT_EQ(fake_dialogs::dialogs().size(), c.dialogs_shown);
    EXPECT_TRUE(fake_dialogs::messages().empty());
    EXPECT_EQ(folder_listing(folder), std::vector<std::string>{"monday.txt"});
    EXPECT_EQ(test_files::read(source), SOURCE_BYTES);
}

INSTANTIATE_TEST_SUITE_P(Cases, SilentEnd,
                         testing::Values(SilentCase{"open_cancelled", false, true, true, 1},
                                         SilentCase{"source_unopenable", true, false, true, 1},
                                         SilentCase{"save_cancelled", true, true, false, 2}),
                         [](const testing::TestParamInfo<SilentCase>& info) {
                             return std::string{info.param.name};
                         });

// The converted log could not be saved: an error message and status 1
// instead of the completion message, and no half-written file left behind.
struct FailureCase {
    const char* name;
    std::string destination;  // relative to the scratch folder unless absolute
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class SaveFailure : public Flow, public testing::WithParamInterface<FailureCase> {};

TEST_P(SaveFailure, ShowsTheErrorAndLeavesNothingBehind)
{
    const std::string& d = GetParam().destination;
    fake_dialogs::script({source, d.front() == '/' ? d : folder + "/" + d});

    EXPECT_EQ(run_dialog_flow(), 1);
    ASSERT_EQ(fake_dialogs::messages().size(), 1u);
    EXPECT_EQ(fake_dialogs::messages()[0].text, FAILED);
    EXPECT_EQ(fake_dialogs::messages()[0].caption, "Dude");
    EXPECT_EQ(fake_dialogs::messages()[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(folder_listing(folder), std::vector<std::string>{"monday.txt"});
    EXPECT_EQ(test_files::read(source), SOURCE_BYTES);
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveFailure,
                         testing::Values(FailureCase{"missing_folder", "no/such/folder/out.txt"},
                                         FailureCase{"full_device", "/dev/full"}),
                         [](const testing::TestParamInfo<FailureCase>& info) {
                             return std::string{info.param.name};
                         });

// A source that fails while being read must not pass for a finished log.
TEST_F(Flow, ASourceReadErrorIsReportedAndNothingIsSaved)
{
    const std::string unreadable = folder + "/a folder";
    std::filesystem::create_directory(unreadable);  // opens, but every read fails
    fake_dialogs::script({unreadable, proposal});

    EXPECT_EQ(run_dialog_flow(), 1);
    ASSERT_EQ(fake_dialogs::messages().size(), 1u);
    EXPECT_EQ(fake_dialogs::messages()[0].text, FAILED);
    EXPECT_FALSE(test_files::exists(proposal));
    EXPECT_EQ(folder_listing(folder), (std::vector<std::string>{"a folder", "monday.txt"}));
}

// Whatever name leads to the source, the source is read in full before
// anything takes its place.
struct SameFileCase {
    const char* name;
    std::string destination;  // relative to the scratch folder
    bool hard_link;
};

void PrintTo(const SameFileCase& c, std::ostream* out) { *out << c.name; }

class DestinationIsTheSource : public Flow, public testing::WithParamInterface<SameFileCase> {};

TEST_P(DestinationIsTheSource, ConvertsTheWholeSource)
{
    const SameFileCase& c = GetParam();
    const std::string destination = folder + "/" + c.destination;
    if (c.hard_link) {
        ASSERT_EQ(link(source.c_str(), destination.c_str()), 0);
    }
    fake_dialogs::script({source, destination});

    EXPECT_EQ(run_dialog_flow(), 0);
    ASSERT_EQ(fake_dialogs::messages().size(), 1u);
    EXPECT_EQ(fake_dialogs::messages()[0].text, DONE);
    EXPECT_EQ(test_files::read(destination), CONVERTED);
    if (c.hard_link) {
        EXPECT_EQ(test_files::read(source), SOURCE_BYTES);
    }
    EXPECT_EQ(folder_listing(folder).size(), c.hard_link ? 2u : 1u);  // no temporary file left
}

INSTANTIATE_TEST_SUITE_P(Cases, DestinationIsTheSource,
                         testing::Values(SameFileCase{"same_name", "monday.txt", false},
                                         SameFileCase{"other_spelling", ".//monday.txt", false},
                                         SameFileCase{"hard_link", "linked.txt", true}),
                         [](const testing::TestParamInfo<SameFileCase>& info) {
                             return std::string{info.param.name};
                         });

TEST_F(Flow, ReplacingAFileKeepsItsPermissions)
{
    test_files::write(proposal, "old contents\n");
    ASSERT_EQ(chmod(proposal.c_str(), 0640), 0);
    fake_dialogs::script({source, proposal});

    EXPECT_EQ(run_dialog_flow(), 0);
    EXPECT_EQ(test_files::read(proposal), CONVERTED);
    struct stat info {};
    ASSERT_EQ(stat(proposal.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(Flow, WritingThroughALinkReplacesTheFileItPointsTo)
{
    const std::string target = folder + "/target.txt";
    const std::string link_name = folder + "/link.txt";
    test_files::write(target, "old\n");
    ASSERT_EQ(symlink(target.c_str(), link_name.c_str()), 0);
    fake_dialogs::script({source, link_name});

    EXPECT_EQ(run_dialog_flow(), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link_name));
    EXPECT_EQ(test_files::read(target), CONVERTED);
}

TEST_F(Flow, AProposalTooLongForTheBufferIsNotOffered)
{
    // The path fits the buffer, but the proposal would need 257 characters.
    const std::string deep = folder + "/" + std::string(240 - folder.size(), 'n');
    test_files::write(deep + ".txt", SOURCE_BYTES);
    fake_dialogs::script({deep + ".txt", nullopt});

    EXPECT_EQ(run_dialog_flow(), 0);
    ASSERT_EQ(fake_dialogs::dialogs().size(), 2u);
    EXPECT_EQ(fake_dialogs::dialogs()[1].buffer, std::string(PATH_CAPACITY, '\0'));
}

}  // namespace
