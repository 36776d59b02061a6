// The filer's rules of where each file goes, in this process over a site
// held in memory.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/memory_site.h"
#include "tests/support/site_fixture.h"
#include "tests/support/temp_site.h"
#include "tests/support/test_platform.h"

namespace {

using testing_site::MemorySite;
namespace says = testing_site::interpreter_says;

// Files placed in the sent directory (in this order of names), and where
// each must be afterwards, relative to the base directory.
struct FileCase {
    const char* what;
    std::vector<std::string> sent;
    std::map<std::string, std::string> expected;  // name -> place under base
    std::string trace_line;
};

void PrintTo(const FileCase& c, std::ostream* out) { *out << c.what; }

// Characters outside ASCII as this system spells names: in UTF-8 on POSIX,
// in the ANSI code page on Windows.
const std::string kEAcute = testing_site::kPosixOnlyEntries ? "\xC3\xA9" : "\xE9";
const std::string kSuperscriptOne = testing_site::kPosixOnlyEntries ? "\xC2\xB9" : "\xB9";

class FileCases : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileCases, EndWhereTheNamingRulesSay) {
    const FileCase& c = GetParam();
    MemorySite site;
    for (const std::string& name : c.sent)
        site.add_file(site.sent(), name, "content of " + name, testing_site::march_1_2015_1420());
    const std::string trace = site.file();
    std::map<std::string, std::string> expected;
    for (const auto& [name, place] : c.expected) expected[place + "/" + name] = "content of " + name;
    const std::map<std::string, std::string> found = testing_site::without_own_files(site.files_below(site.base()));
    EXPECT_EQ(found, expected) << c.what << "\n" << trace;
    EXPECT_NE(trace.find(c.trace_line), std::string::npos) << c.what << ": no line " << c.trace_line << "\n" << trace;
}

INSTANTIATE_TEST_SUITE_P(
    InMemory, FileCases,
    ::testing::Values(
        FileCase{"four digits",
                 {"P1234_Coteau_201503011420-1420.k8"},
                 {{"P1234_Coteau_201503011420-1420.k8", "1234/2015"}},
                 "=C=>5chif 1234\n"},
        FileCase{"three-character .K8 token",
                 {"P12_Coteau_201503011420-1420.k8"},
                 {{"P12_Coteau_201503011420-1420.k8", "12/2015"}},
                 "=dif=>3\n=P=>12_Coteau_201503011420-1420.k8\n=C=>pas5chif 12\n"},
        FileCase{"only one zero dropped", {"P0044_Coteau_2015.K7"}, {{"P0044_Coteau_2015.K7", "044/2015"}}, "_*.k? "},
        FileCase{"P0007", {"P0007_Coteau_2015.K7"}, {{"P0007_Coteau_2015.K7", "007/2015"}}, "P0007_*.k? "},
        FileCase{"three digits stay in the sent directory, no directory made",
                 {"P123_Coteau_2015.K7"},
                 {{"P123_Coteau_2015.K7", "envoye"}},
                 "=R=>le motif P12_*.k? ne prend pas ce fichier, fichier laisse en place\n"},
        FileCase{"five digits stay in the sent directory, no directory made",
                 {"P12345_Coteau_2015.K7", "P65535_x_2015.K7"},
                 {{"P12345_Coteau_2015.K7", "envoye"}, {"P65535_x_2015.K7", "envoye"}},
                 "2015\n=R=>le motif P65_*.k? ne prend pas ce fichier, fichier laisse en place\n"},
        FileCase{"single underscore", {"P0300_201503011420.K7"}, {{"P0300_201503011420.K7", "300/2015"}}, "=dir=> 300"},
        FileCase{"a year part that is no year is refused",
                 {"P0300_Coteau_99.K7", "P0044_Coteau_01032015-2015.k8"},
                 {{"P0300_Coteau_99.K7", "envoye"}, {"P0044_Coteau_01032015-2015.k8", "envoye"}},
                 "99.K\n=R=>nom de repertoire refuse, fichier laisse en place\n"},
        FileCase{"an unstamped name's year part is refused",
                 {"P1234_03011420.K8"},
                 {{"P1234_03011420.K8", "envoye"}},
                 "0301\n=R=>nom de repertoire refuse, fichier laisse en place\n"},
        FileCase{"the years 1980 and 2107 are years, 1979 and 2108 are not",
                 {"P0300_a_1979.K7", "P0301_a_1980.K7", "P0302_a_2107.K7", "P0303_a_2108.K7"},
                 {{"P0300_a_1979.K7", "envoye"},
                  {"P0301_a_1980.K7", "301/1980"},
                  {"P0302_a_2107.K7", "302/2107"},
                  {"P0303_a_2108.K7", "envoye"}},
                 "2108\n=R=>nom de repertoire refuse"},
        FileCase{"lower-case p is no photometer",
                 {"p0300_coteau_2015.K7"},
                 {{"p0300_coteau_2015.K7", "envoye"}},
                 "=pos zero=>p0300_coteau_2015.K7\n"},
        FileCase{"two years, both in the first line's year",
                 {"P0300_Coteau_201412311420.K7", "P0300_Coteau_201503011420.K7"},
                 {{"P0300_Coteau_201412311420.K7", "300/2014"}, {"P0300_Coteau_201503011420.K7", "300/2014"}},
                 "=R=>le repertoire n existe pas 2015\nDirectory created\n" + says::no_such_file()},
        FileCase{"lower-case .k7 goes along with its photometer",
                 {"P0300_Coteau_201503011420.K7", "P0300_Coteau_201503011421.k7"},
                 {{"P0300_Coteau_201503011420.K7", "300/2015"}, {"P0300_Coteau_201503011421.k7", "300/2015"}},
                 "\n\n-->P0300_Coteau_201503011421.k7\n"},
        FileCase{"names passed over",
                 {"P0300_a_2015.k7", "w_A001.RAW", "notes.txt"},
                 {{"P0300_a_2015.k7", "envoye"}, {"w_A001.RAW", "envoye"}, {"notes.txt", "envoye"}},
                 "\n\n-->notes.txt\n\n\n-->P0300_a_2015.k7\n\n\n-->w_A001.RAW\n"},
        FileCase{".K8 and .raw: the photometer handler only",
                 {"P0300_x.K8.raw_2015"},
                 {{"P0300_x.K8.raw_2015", "envoye"}},
                 "=1=>P0300_x.K8.raw_2015\n"},
        FileCase{"a P with no underscore is left alone", {"P0300.K7"}, {{"P0300.K7", "envoye"}}, "=1=>P0300.K7\n"},
        FileCase{"wet sensor: short part takes the extension",
                 {"wet_7.raw"},
                 {{"wet_7.raw", "wetsensor/7.ra"}},
                 "=R=>le repertoire n existe pas 7.ra\n"},
        FileCase{"wet sensor: the last underscore counts",
                 {"site_wet_A001.raw", "wet_A001_b.raw"},
                 {{"site_wet_A001.raw", "wetsensor/A001"}, {"wet_A001_b.raw", "wetsensor/b.ra"}},
                 "b.ra\n"},
        FileCase{"wet sensor: trailing dots and blanks go, as Windows drops them",
                 {"wet_A01.raw", "_B02.raw", "wet_x y.raw"},
                 {{"wet_A01.raw", "wetsensor/A01"}, {"_B02.raw", "wetsensor/B02"}, {"wet_x y.raw", "wetsensor/x y"}},
                 "=R=>le repertoire n existe pas A01.\nDirectory created\n"},
        FileCase{"names Windows keeps for devices are no directory",
                 {"wet_COM1.raw", "wet_CON.raw", "P0CON_x_2015.K7"},
                 {{"wet_COM1.raw", "envoye"}, {"wet_CON.raw", "envoye"}, {"P0CON_x_2015.K7", "envoye"}},
                 "\n\n-->wet_CON.raw\n=R=>nom de repertoire refuse, fichier laisse en place\n"},
        FileCase{"folders of characters, not of bytes that cut one",
                 {"wet_ABC" + kEAcute + ".raw", "wet_COM" + kSuperscriptOne + ".raw", "P0" + kEAcute + "00_x_2015.K7"},
                 {{"wet_ABC" + kEAcute + ".raw", "wetsensor/ABC" + kEAcute},
                  {"wet_COM" + kSuperscriptOne + ".raw", "envoye"},
                  {"P0" + kEAcute + "00_x_2015.K7", kEAcute + "00/2015"}},
                 "=dif=>5\n"},
        FileCase{"wet sensor: .raw in the middle", {"x_y.raw.bak"}, {{"x_y.raw.bak", "envoye"}}, says::no_such_file()},
        FileCase{
            "wet sensor without underscore is left alone", {"wet.raw"}, {{"wet.raw", "envoye"}}, "\n\n-->wet.raw\n"},
        FileCase{"a name leading out of the archive is refused",
                 {"P.._x_2015.K7"},
                 {{"P.._x_2015.K7", "envoye"}},
                 "2015\n=R=>nom de repertoire refuse, fichier laisse en place\n"}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return "case" + std::to_string(info.index); });

}  // namespace
