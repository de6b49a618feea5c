#include "interactive/interactive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct ProposalCase {
    const char* name;
    std::string source;
    std::string expected;
};

void PrintTo(const ProposalCase& c, std::ostream* out) { *out << c.name; }

class ProposeDestinationName : public testing::TestWithParam<ProposalCase> {};

TEST_P(ProposeDestinationName, CutsAtTheFirstDotAndAppendsTheSuffix)
{
    char path[PATH_CAPACITY];
    std::memset(path, 'x', sizeof path);  // what lies past the NUL must not matter
    std::memcpy(path, GetParam().source.c_str(), GetParam().source.size() + 1);
    propose_destination_name(path);
    EXPECT_EQ(std::string{path}, GetParam().expected);
}

const std::string stem_239(239, 'a');
const std::string stem_240(240, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, ProposeDestinationName,
    testing::Values(
        ProposalCase{"plain", "C:\\logs\\monday.txt", "C:\\logs\\monday (albinated).txt"},
        ProposalCase{"two_extensions", "C:\\logs\\monday.old.txt", "C:\\logs\\monday (albinated).txt"},
        ProposalCase{"dot_in_a_folder", "C:\\my.logs\\monday.txt", "C:\\my (albinated).txt"},
        ProposalCase{"no_dot", "C:\\logs\\monday", "C:\\logs\\monday (albinated).txt"},
        ProposalCase{"linux_path", "/home/ana/run.log", "/home/ana/run (albinated).txt"},
        ProposalCase{"dot_first", ".hidden", " (albinated).txt"},
        ProposalCase{"longest_that_fits", stem_239 + ".txt", stem_239 + " (albinated).txt"},
        ProposalCase{"longest_without_dot", stem_239, stem_239 + " (albinated).txt"},
        // One more character and the proposal would need 257: none is offered.
        ProposalCase{"too_long_gives_no_proposal", stem_240 + ".txt", ""},
        ProposalCase{"too_long_without_dot", stem_240, ""}),
    [](const testing::TestParamInfo<ProposalCase>& info) { return std::string{info.param.name}; });

TEST(ProposeDestinationNameLimits, NeverWritesPastTheBuffer)
{
    struct Guarded {
        char path[PATH_CAPACITY];
        char guard[16];
    } buffer;
    std::memset(&buffer, '#', sizeof buffer);
    const std::string source = std::string(PATH_CAPACITY - 1 - 4, 'b') + ".txt";
    std::memcpy(buffer.path, source.c_str(), source.size() + 1);
    propose_destination_name(buffer.path);
    EXPECT_EQ(std::string(buffer.guard, sizeof buffer.guard), std::string(16, '#'));
    EXPECT_EQ(std::string{buffer.path}, "");
}

}  // namespace
