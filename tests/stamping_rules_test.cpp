// The stamper's naming rules, one file a case, in this process over a site
// held in memory.
#include <gtest/gtest.h>

#include <ctime>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/memory_site.h"
#include "tests/support/site_fixture.h"
#include "tools/sample_site.h"

namespace {

using testing_site::MemorySite;
namespace says = testing_site::interpreter_says;

// One file in, its name afterwards, and a line its trace must hold.
struct StampCase {
    const char* what;
    std::string name;
    unsigned char byte3, byte4;  // .K7 number bytes
    int adr;                     // ADR in the PAR file; -1: no PAR file; -2: one without "Number"
    std::string site_file;       // "-": no site file
    std::time_t when;
    std::string expected_name;
    std::string trace_line;
};

void PrintTo(const StampCase& c, std::ostream* out) { *out << c.what; }

class StampCases : public ::testing::TestWithParam<StampCase> {};

TEST_P(StampCases, GiveTheNameTheRulesSay) {
    const StampCase& c = GetParam();
    MemorySite site;
    if (c.adr >= 0) site.write_par_with_adr(c.adr);
    if (c.adr == -2) site.write_par("ASTPWin parameters\r\nPort Com COM1 1 0 9600\r\nPhotometer Serial S1 1 3 8\r\n");
    if (c.site_file != "-") site.write_site_file(c.site_file);
    const bool k7 = c.name.back() == '7';
    if (k7)
        site.add_k7(c.name, c.byte3, c.byte4, site.par_name(), c.when);
    else
        site.add_file(site.to_send(), c.name, "data of " + c.name, c.when);
    const std::string content = site.read_file(site.to_send() + "/" + c.name);

    const std::string trace = site.stamp();
    EXPECT_EQ(site.names_in(site.to_send()), std::vector<std::string>{c.expected_name}) << c.what << "\n" << trace;
    EXPECT_EQ(site.read_file(site.to_send() + "/" + c.expected_name), content) << c.what;
    EXPECT_NE(trace.find(c.trace_line), std::string::npos) << c.what << ": no line " << c.trace_line << "\n" << trace;
}

const std::string kCoteau = sample::site_file_text("Coteau");
const std::time_t k1420 = testing_site::utc_time(2015, 3, 1, 14, 20);

INSTANTIATE_TEST_SUITE_P(
    InMemory, StampCases,
    ::testing::Values(
        StampCase{"ADR 2 reads byte 4 alone", "03011420.K7", 0x01, 0x2C, 2, kCoteau, k1420,
                  "P0044_Coteau_201503011420.K7", "ADR=2 Nb=8 | num-->44\n"},
        StampCase{"five digits", "03011420.K7", 0x30, 0x39, 3, kCoteau, k1420, "P12345_Coteau_201503011420.K7",
                  "| num-->12345\n"},
        StampCase{"no PAR file: the name is kept", "03011420.K7", 0x01, 0x07, -1, kCoteau, k1420, "03011420.K7",
                  "ADR=0 Nb=0 | pas de numero : "},
        StampCase{"a PAR file without a Number record: the name is kept", "03011420.K7", 0x01, 0x07, -2, kCoteau, k1420,
                  "03011420.K7", " absent ou sans ligne Number, nom inchange\n"},
        StampCase{"no site file", "03011420.K7", 0x01, 0x2C, 3, "-", k1420, "P0300_201503011420.K7",
                  "| longnomk7-->03011420.K7\nLocal time is"},
        StampCase{"site file without a name: no site part", "03011420.K7", 0x01, 0x2C, 3, "[COM]\r\nport=1\r\n", k1420,
                  "P0300_201503011420.K7", "Fichier INI  electron-site.ini\nnom du site \n"},
        StampCase{"year in an 11-character .K7 tail is appended again", "03012015.K7", 0x01, 0x2C, 3, kCoteau, k1420,
                  "P0300_Coteau_201503012015.K7", "| j=17\n"},
        StampCase{"year in a long tail is not appended", "AB201503011420.K7", 0x01, 0x2C, 3, kCoteau, k1420,
                  "P0300_Coteau_201503011420.K7", "New nom de Fichier P0300_Coteau_ | j=13\n"},
        StampCase{"re-stamped .K7 gets a second year", "P0300_Coteau_20150301.K7", 0x01, 0x2C, 3, kCoteau, k1420,
                  "P0300_Coteau_201520150301.K7", "New nom de Fichier P0300_Coteau_201520150301.K7 \n"},
        StampCase{"no tail characters before the extension", "ABC.K7", 0x00, 0x07, 2, kCoteau, k1420,
                  "P0007_Coteau_2015.K7", "New nom de Fichier P0007_Coteau_2015.K7 \n"},
        StampCase{"re-stamped .K8 keeps its name", "P1234_Coteau_201503011420-1420.k8", 0, 0, 3, kCoteau, k1420,
                  "P1234_Coteau_201503011420-1420.k8", says::duplicate_name()},
        StampCase{".K8 holding its year", "P1234_20150301.K8", 0, 0, 3, kCoteau, k1420, "P1234_Coteau_20150301-1420.k8",
                  "| j=13\n"},
        StampCase{"three-character .K8 token", "P12_03011420.K8", 0, 0, 3, kCoteau, k1420,
                  "P12_Coteau_201503011420-1420.k8", "| JB=3 numK8-->P12_\n"},
        StampCase{"hour-minute from the file's own time", "P1234_0301.K8", 0, 0, 3, kCoteau,
                  testing_site::utc_time(2015, 3, 1, 9, 5), "P1234_Coteau_20150301-0905.k8",
                  "File date:9:5 3/1/2015\n"},
        StampCase{"lower-case .k7", "03011420.k7", 0x01, 0x2C, 3, kCoteau, k1420, "P0300_Coteau_201503011420.k7",
                  "| num-->300\n"},
        StampCase{"kind neither 7 nor 8 keeps its name", "03011420.K9", 0, 0, 3, kCoteau, k1420, "03011420.K9",
                  "Fichier 03011420.K9 | ni K7 ni K8, nom inchange\n"},
        StampCase{"site name with a separator makes no new name", "03011420.K7", 0x01, 0x2C, 3,
                  "[NAME SITE]\r\n../up\r\n", k1420, "03011420.K7",
                  "| nouveau nom refuse (caractere interdit dans un nom), nom inchange\n"},
        StampCase{"site name with a double quote makes no new name", "P1234_0301.K8", 0, 0, 3,
                  "[NAME SITE]\r\nCo\"&echo>pwned&\"te\r\n", k1420, "P1234_0301.K8",
                  "| nouveau nom refuse (caractere interdit dans un nom), nom inchange\n"},
        StampCase{"site name with a wildcard makes no new name", "P1234_0301.K8", 0, 0, 3, "[NAME SITE]\r\nCo*\r\n",
                  k1420, "P1234_0301.K8", "| nouveau nom refuse (caractere interdit dans un nom), nom inchange\n"}),
    [](const ::testing::TestParamInfo<StampCase>& info) { return "case" + std::to_string(info.index); });

}  // namespace
