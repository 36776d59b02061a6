#include "common/site/path_config.h"
#include "common/fs/real_file_system.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "filer/filing_pass.h"
#include "stamper/stamping_pass.h"
#include "tests/support/temp_site.h"

namespace {

using site::PathConfig;

const PathConfig kDefaults = {"DB", "DT", "DS"};

struct ConfigCase {
    const char* what;
    std::string file;
    PathConfig expected;
    std::string trace;
};

void PrintTo(const ConfigCase& c, std::ostream* out) { *out << c.what; }

class PathConfigCases : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(PathConfigCases, FillSlotsByLinePosition) {
    const ConfigCase& c = GetParam();
    site::TextReader reader = site::TextReader::from_bytes(c.file);
    site::Trace trace;
    const PathConfig config = site::read_path_config(kDefaults, reader, trace);
    EXPECT_EQ(config.base, c.expected.base) << c.what;
    EXPECT_EQ(config.to_send, c.expected.to_send) << c.what;
    EXPECT_EQ(config.sent, c.expected.sent) << c.what;
    EXPECT_EQ(trace.text(), c.trace) << c.what;
}

const std::string k199(199, 'a');

INSTANTIATE_TEST_SUITE_P(
    PathConfig, PathConfigCases,
    ::testing::Values(
        ConfigCase{"three lines with newlines", "b\nt\ns\n", {"b", "t", "s"}, ""},
        ConfigCase{"last line without newline", "b\nt\ns", {"b", "t", "s"}, "\npos zero"},
        ConfigCase{"two lines", "b\nt\n", {"b", "t", "DS"}, ""},
        ConfigCase{"two lines, the second unterminated", "b\nt", {"b", "t", "DS"}, "\npos zero"},
        ConfigCase{"one line", "b\n", {"b", "DT", "DS"}, ""},
        ConfigCase{"five lines: the last two change nothing", "b\nt\ns\nx\ny\n", {"b", "t", "s"}, ""},
        ConfigCase{"labels end at the first ::", "base::C:\\b\nx::y::z\nempty::\n", {"C:\\b", "y::z", ""}, ""},
        ConfigCase{"a line without :: is its own value", "C:\\whole line\nt\ns\n", {"C:\\whole line", "t", "s"}, ""},
        ConfigCase{"CR LF line ends", "b\r\nt\r\ns\r\n", {"b", "t", "s"}, ""},
        ConfigCase{"spaces stay", " b \nt\t\n::  s\n", {" b ", "t\t", "  s"}, ""},
        ConfigCase{"an empty line gives an empty value", "\nt\ns\n", {"", "t", "s"}, ""},
        ConfigCase{"an empty file keeps the defaults", "", {"DB", "DT", "DS"}, ""},
        ConfigCase{"a line of 199 characters and its newline comes in two pieces",
                   k199 + "\nt\n",
                   {k199, "", "t"},
                   "\npos zero"},
        ConfigCase{"a value of 150 characters is kept whole",
                   std::string(150, 'v') + "\n",
                   {std::string(150, 'v'), "DT", "DS"},
                   ""}),
    [](const ::testing::TestParamInfo<ConfigCase>& info) { return "case" + std::to_string(info.index); });

TEST(PathConfigFile, MissingFileTracesAndKeepsDefaults) {
    testing_site::TempDir dir;
    site::Trace trace;
    site::RealFileSystem disk;
    const PathConfig config = site::read_path_config(disk, dir.path(), kDefaults, trace);
    EXPECT_EQ(config.base, "DB");
    EXPECT_EQ(trace.text(), "\npath_autok7.txt introuvable : chemins par defaut");
}

TEST(PathConfigFile, ReadFromTheStartDirectory) {
    testing_site::TempDir dir;
    testing_site::write_file(dir / "path_autok7.txt", "a::1\r\nb::2\r\nc::3");
    site::Trace trace;
    site::RealFileSystem disk;
    const PathConfig config = site::read_path_config(disk, dir.path(), kDefaults, trace);
    EXPECT_EQ(config.base + config.to_send + config.sent, "123");
    EXPECT_EQ(trace.text(), "\npos zero");
}

TEST(PathConfigDefaults, EachProgramHasItsOwn) {
    EXPECT_EQ(site::kStamperDefaults.base, "C:\\vardel\\base");
    EXPECT_EQ(site::kStamperDefaults.sent, "C:\\vardel\\base\\envoye");
    EXPECT_EQ(site::kFilerDefaults.to_send, "D:\\logiciels\\dravex\\base\\aenvoyer");
}

}  // namespace
