#include "stamper/photometer_number.h"
#include "common/fs/real_file_system.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/support/fixed_host.h"
#include "tests/support/temp_site.h"

namespace {

site::ParValues parse(const std::string& text) {
    site::TextReader reader = site::TextReader::from_bytes(text);
    return site::parse_par(reader);
}

struct ParCase {
    const char* what;
    std::string text;
    std::int32_t adr;
    std::int32_t nb;
};

void PrintTo(const ParCase& c, std::ostream* out) { *out << c.what; }

class ParCases : public ::testing::TestWithParam<ParCase> {};

TEST_P(ParCases, ParseAsTheRecordReadDoes) {
    const ParCase& c = GetParam();
    const site::ParValues values = parse(c.text);
    EXPECT_EQ(values.adr, c.adr) << c.what;
    EXPECT_EQ(values.nb, c.nb) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Par, ParCases,
    ::testing::Values(ParCase{"one matching record", "title\nPhoto Number S1 1 3 12\n", 3, 12},
                      ParCase{"the later matching record wins", "title\na Number b 1 3 12\nc Number d 1 2 9\n", 2, 9},
                      ParCase{"a match on the first line only is never seen", "a Number b 1 3 12\nx y z 1 2 3\n", 0, 0},
                      ParCase{"substring of a longer word", "t\na SerialNumbers b 1 3 4\n", 3, 4},
                      ParCase{"lower case does not match", "t\na number b 1 3 4\n", 0, 0},
                      ParCase{"Number in another word does not count", "t\nNumber a b 1 3 4\n", 0, 0},
                      ParCase{"hexadecimal and octal integers", "t\na Number b 0x10 0x3 010\n", 3, 8},
                      ParCase{"no file content", "", 0, 0},
                      ParCase{"a record split over lines takes words from the next line",
                              "t\na Number\nb 1 3 5 rest of line\nq r s 1 1 1\n", 3, 5},
                      ParCase{"CR LF line ends", "t\r\na Number b 1 3 7\r\n", 3, 7},
                      ParCase{"a match before any integer was read", "t\na Number", 0, 0}),
    [](const ::testing::TestParamInfo<ParCase>& info) { return "case" + std::to_string(info.index); });

site::K7Header header_with(unsigned char b3, unsigned char b4, const char* par_name) {
    site::K7Header header{};
    header[3] = b3;
    header[4] = b4;
    for (size_t i = 0; i < 8 && par_name[i] != '\0'; ++i) header[128 + i] = static_cast<unsigned char>(par_name[i]);
    return header;
}

TEST(PhotometerNumber, TwoByteFormOnlyForAdr3) {
    const site::K7Header header = header_with(0x01, 0x2C, "CIM300");
    EXPECT_EQ(site::photometer_number(header, 3), 300u);
    EXPECT_EQ(site::photometer_number(header, 2), 44u);
    EXPECT_EQ(site::photometer_number(header, 0), 44u);
    EXPECT_EQ(site::photometer_number(header_with(0xFF, 0xFF, ""), 3), 65535u);
}

TEST(ParFileName, EightHeaderBytesUpToAZero) {
    EXPECT_EQ(site::par_file_name(header_with(0, 0, "CIM300")), "CIM300.PAR");
    EXPECT_EQ(site::par_file_name(header_with(0, 0, "ABCDEFGH")), "ABCDEFGH.PAR");
    EXPECT_EQ(site::par_file_name(header_with(0, 0, "AB  CD  ")), "AB  CD  .PAR");
    EXPECT_EQ(site::par_file_name(header_with(0, 0, "")), ".PAR");
}

TEST(ParLookup, TracesTheProgramFilesDirectoryThenReadsThePar) {
    testing_site::TempDir dir;
    testing_site::make_dirs(dir / "PF/ASTPWin/PAR");
    testing_site::write_file(dir / "PF/ASTPWin/PAR/CIM300.PAR", "t\na Number b 1 3 12\n");
    testing_site::FixedHost host(dir / "PF");
    site::RealFileSystem disk;
    site::Trace trace;
    site::FileValueCache<site::ParValues> cache;
    const site::ParValues found = site::look_up_par("CIM300.PAR", disk, host, trace, cache);
    EXPECT_EQ(found.adr, 3);
    EXPECT_EQ(trace.text(),
              "File programmes: " + dir / "PF" + "\npath astpwin/PAR : " + dir / "PF/ASTPWin/PAR/CIM300.PAR" + "\n");
    const site::ParValues missing = site::look_up_par("NONE.PAR", disk, host, trace, cache);
    EXPECT_EQ(missing.adr, 0);
    EXPECT_EQ(missing.nb, 0);
    EXPECT_FALSE(missing.found);
}

// A parameter file is read once while it stays the same, and again as soon
// as it changes.
TEST(ParLookup, ReadsAParameterFileAgainOnlyWhenItChanged) {
    testing_site::TempDir dir;
    const std::string par = dir / "PF/ASTPWin/PAR/CIM300.PAR";
    testing_site::make_dirs(dir / "PF/ASTPWin/PAR");
    testing_site::FixedHost host(dir / "PF");
    site::RealFileSystem disk;
    site::Trace trace;
    site::FileValueCache<site::ParValues> cache;
    const auto adr = [&] { return site::look_up_par("CIM300.PAR", disk, host, trace, cache).adr; };
    testing_site::write_file(par, "t\na Number b 1 3 12\n");
    testing_site::set_mtime(par, 1000000000);
    EXPECT_EQ(adr(), 3);
    testing_site::write_file(par, "t\na Number b 1 2 12\n");  // same size and time: taken as unchanged
    testing_site::set_mtime(par, 1000000000);
    EXPECT_EQ(adr(), 3);
    testing_site::set_mtime(par, 1000000001);
    EXPECT_EQ(adr(), 2);
    testing_site::write_file(par, "t\na Number b 1 3 12 \n");
    testing_site::set_mtime(par, 1000000001);
    EXPECT_EQ(adr(), 3);
}

}  // namespace
