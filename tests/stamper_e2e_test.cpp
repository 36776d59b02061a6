// End-to-end runs of the built stamper on sites in temporary directories:
// whole traces, and what the disk and the machine's clock decide. The naming
// rules are checked in this process (stamping_rules_test.cpp).
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/site_fixture.h"
#include "tools/sample_site.h"

namespace {

using testing_site::SiteFixture;
namespace says = testing_site::interpreter_says;

std::string version_lines() {
    const char* e_acute = testing_site::testing_windows_build() ? "\xE9" : "\xC3\xA9";
    return std::string("Version 2 (1/6/2007) ajout de l'ann") + e_acute +
           "e uniquement si pas fait et pas dans l'heure\n"
           "Version 2 (28/8/2007) Correction du bug sur le num de photometre : nomPAR[ strlen(nomPAR)-1]='0' retire  "
           "\n\n"
           "Version 3 (25/2/2013) introduction du nom du site issu du fichier INI\n"
           "Version 3 (15/5/2014) introduction du nom du site issu du fichier INI pour les fichier K8\n"
           "Version 3 (1/3/2015) Pour les K8 ajout de l heure en fin de fichier -hhmm \n";
}

std::string path_lines(const SiteFixture& site) {
    return "\npathbase-->" + site.shown(site.base()) + "\npathenvoye-->" + site.shown(site.sent()) + "\n";
}

std::string stamper_trace(const SiteFixture& site) {
    const testing_site::ProgramRun run = site.run_stamper();
    EXPECT_EQ(run.status, 0);
    return testing_site::with_clock_lines_masked(testing_site::normalised_trace(run.output));
}

// The site of the worked examples: a PAR file with ADR 3, site Coteau.
void worked_example_site(const SiteFixture& site) {
    site.write_par_with_adr(3);
    site.write_site_file(sample::site_file_text("Coteau"));
}

TEST(StamperEndToEnd, EmptyToSendDirectory) {
    SiteFixture site;
    EXPECT_EQ(stamper_trace(site), path_lines(site) + says::nothing_listed() + "\nPlus de fichier\n" + version_lines());
    EXPECT_EQ(testing_site::read_file(site.base() + "/dirk7-2.txt"), "");
}

TEST(StamperEndToEnd, K7WorkedExampleWholeTrace) {
    SiteFixture site;
    worked_example_site(site);
    site.add_k7("03011420.K7", 0x01, 0x2C, site.par_name(), testing_site::march_1_2015_1420());
    const std::string before = testing_site::read_file(site.to_send() + "/03011420.K7");
    const std::string pf = site.program_files_shown();
    const std::string par = site.par_name() + ".PAR";
    EXPECT_EQ(stamper_trace(site),
              path_lines(site) + "Fichier 03011420.K7 File programmes: " + pf +
                  "\n"
                  "path astpwin/PAR : " +
                  SiteFixture::joined(SiteFixture::joined(SiteFixture::joined(pf, "ASTPWin"), "PAR"), par) +
                  "\n"
                  "\n  Pour le fichier " +
                  par +
                  " ADR=3 Nb=8 | num-->300\n"
                  "| longnomk7-->03011420.K7\n"
                  "Fichier INI  electron-site.ini\n"
                  "nom du site Coteau\n"
                  "Local time is: <clock>\n"
                  "Local year is: <year>\n"
                  "File date:14:20 3/1/2015\n"
                  "Local file year is: 2015 | nomk7=03011420.K7\n"
                  "New nom de Fichier P0300_Coteau_2015 | j=17\n\n"
                  "New nom de Fichier P0300_Coteau_201503011420.K7 \n\n"
                  "\nPlus de fichier\n" +
                  version_lines());
    EXPECT_EQ(testing_site::names_in(site.to_send()), std::vector<std::string>{"P0300_Coteau_201503011420.K7"});
    EXPECT_EQ(testing_site::read_file(site.to_send() + "/P0300_Coteau_201503011420.K7"), before);
    // "echo %programfiles%" writes the variable itself, which a 64-bit
    // Windows program sees without the " (x86)" of the folder it reads.
    const std::string echoed = testing_site::testing_windows_build() ? "C:\\Program Files" : pf;
    EXPECT_EQ(testing_site::read_file(site.work() + "/path.txt"), echoed + " \r\n");
}

TEST(StamperEndToEnd, K8WorkedExampleWholeTrace) {
    SiteFixture site;
    worked_example_site(site);
    site.add_file(site.to_send(), "P1234_03011420.K8", "k8 data", testing_site::march_1_2015_1420());
    EXPECT_EQ(stamper_trace(site), path_lines(site) +
                                       "Fichier P1234_03011420.K8 | longnomk7-->P1234_03011420.K8\n"
                                       "| JB=5 numK8-->P1234_\n"
                                       "Fichier INI  electron-site.ini\n"
                                       "nom du site Coteau\n"
                                       "Local time is: <clock>\n"
                                       "Local year is: <year>\n"
                                       "File date:14:20 3/1/2015\n"
                                       "Local file year is: 2015 | nomk7=P1234_03011420.K8\n"
                                       "New nom de Fichier P1234_Coteau_2015 | j=17\n\n"
                                       "New nom de Fichier P1234_Coteau_201503011420-1420.k8 \n\n"
                                       "\nPlus de fichier\n" +
                                       version_lines());
    EXPECT_EQ(testing_site::read_file(site.to_send() + "/P1234_Coteau_201503011420-1420.k8"), "k8 data");
}

// The trace of one .K8 file of the worked examples' site, stamped on
// 1 March 2015 at 14:20, whose name is a token, "_" and "0301.K8".
std::string k8_file_trace(const std::string& token) {
    const std::string name = token + "_0301.K8";
    return "Fichier " + name + " | longnomk7-->" + name +
           "\n"
           "| JB=" +
           std::to_string(token.size()) + " numK8-->" + token +
           "_\n"
           "Fichier INI  electron-site.ini\n"
           "nom du site Coteau\n"
           "Local time is: <clock>\n"
           "Local year is: <year>\n"
           "File date:14:20 3/1/2015\n"
           "Local file year is: 2015 | nomk7=" +
           name +
           "\n"
           "New nom de Fichier " +
           token + "_Coteau_2015 | j=" + std::to_string(token.size() + 12) +
           "\n\n"
           "New nom de Fichier " +
           token + "_Coteau_20150301-1420.k8 \n\n";
}

TEST(StamperEndToEnd, ThreeFilesInNameOrderWholeTrace) {
    SiteFixture site;
    worked_example_site(site);
    for (const char* name : {"P0002_0301.K8", "p0001_0301.K8", "P0003_0301.K8"})
        site.add_file(site.to_send(), name, name, testing_site::march_1_2015_1420());
    EXPECT_EQ(stamper_trace(site), path_lines(site) + k8_file_trace("p0001") + k8_file_trace("P0002") +
                                       k8_file_trace("P0003") + "\nPlus de fichier\n" + version_lines());
    EXPECT_EQ(testing_site::names_in(site.to_send()),
              (std::vector<std::string>{"P0002_Coteau_20150301-1420.k8", "P0003_Coteau_20150301-1420.k8",
                                        "p0001_Coteau_20150301-1420.k8"}));
    for (const char* token : {"p0001", "P0002", "P0003"})
        EXPECT_EQ(testing_site::read_file(site.to_send() + "/" + token + "_Coteau_20150301-1420.k8"),
                  std::string(token) + "_0301.K8");
}

// A file's date about the edges of the years a DOS date word holds, as the
// disk keeps it and the platform of each build reads it. The other naming
// rules are checked in this process (stamping_rules_test.cpp).
TEST(StamperEndToEnd, AFilesDateAtTheEdgesOfTheDosYears) {
    struct Case {
        const char* what;
        std::time_t when;
        std::string expected_name;
        std::string trace_line;
    };
    const std::string unreadable = "Fichier 03011420.K7 | date du fichier illisible, nom inchange\n";
    const std::vector<Case> cases = {
        {"a year before 1980 keeps the name", testing_site::utc_time(1975, 3, 1, 14, 20), "03011420.K7", unreadable},
        {"2107 is the last year a file's date can hold", testing_site::utc_time(2107, 12, 31, 14, 20),
         "P0300_Coteau_210703011420.K7", "File date:14:20 12/31/2107\n"},
        {"a year after 2107 keeps the name", testing_site::utc_time(2108, 1, 1, 14, 20), "03011420.K7", unreadable},
    };
    for (const Case& c : cases) {
        SiteFixture site;
        worked_example_site(site);
        site.add_k7("03011420.K7", 0x01, 0x2C, site.par_name(), c.when);
        const std::string content = testing_site::read_file(site.to_send() + "/03011420.K7");
        const std::string trace = stamper_trace(site);
        EXPECT_EQ(testing_site::names_in(site.to_send()), std::vector<std::string>{c.expected_name}) << c.what << "\n"
                                                                                                     << trace;
        EXPECT_EQ(testing_site::read_file(site.to_send() + "/" + c.expected_name), content) << c.what;
        EXPECT_NE(trace.find(c.trace_line), std::string::npos) << c.what << ": no line " << c.trace_line << "\n"
                                                               << trace;
    }
}

// A site in Paris: the name's year and hour-minute are the local time of the
// file's own date, summer or winter time as it was then, whatever the season
// of the run (one of July and January is always the other season).
struct LocalTimeCase {
    const char* what;
    std::time_t when;
    std::string expected_name;
};

void PrintTo(const LocalTimeCase& c, std::ostream* out) { *out << c.what; }

class LocalTimeCases : public ::testing::TestWithParam<LocalTimeCase> {};

TEST_P(LocalTimeCases, NameTheFilesOwnLocalTime) {
    const LocalTimeCase& c = GetParam();
    SiteFixture site;
    worked_example_site(site);
    site.add_file(site.to_send(), "P1234_0301.K8", "data", c.when);
    const testing_site::ProgramRun run = site.run_stamper("Europe/Paris");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(testing_site::names_in(site.to_send()), std::vector<std::string>{c.expected_name}) << c.what << "\n"
                                                                                                 << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Stamper, LocalTimeCases,
    ::testing::Values(
        LocalTimeCase{"July: summer time", testing_site::utc_time(2015, 7, 1, 12, 0), "P1234_Coteau_20150301-1400.k8"},
        LocalTimeCase{"January: winter time", testing_site::utc_time(2015, 1, 15, 12, 0),
                      "P1234_Coteau_20150301-1300.k8"},
        LocalTimeCase{"the last minute before the spring change", testing_site::utc_time(2015, 3, 29, 0, 59),
                      "P1234_Coteau_20150301-0159.k8"},
        LocalTimeCase{"the first minute after it", testing_site::utc_time(2015, 3, 29, 1, 1),
                      "P1234_Coteau_20150301-0301.k8"},
        LocalTimeCase{"the first 02:30 of the autumn change", testing_site::utc_time(2015, 10, 25, 0, 30),
                      "P1234_Coteau_20150301-0230.k8"},
        LocalTimeCase{"the second 02:30", testing_site::utc_time(2015, 10, 25, 1, 30), "P1234_Coteau_20150301-0230.k8"},
        LocalTimeCase{"New Year's first half hour, 2015 in UTC", testing_site::utc_time(2015, 12, 31, 23, 30),
                      "P1234_Coteau_20160301-0030.k8"}),
    [](const ::testing::TestParamInfo<LocalTimeCase>& info) { return "case" + std::to_string(info.index); });

// A site name in the site PC's code page: a disk whose names are Unicode
// (NTFS through ntfs-3g) cannot hold its byte 0xF4 as it stands. Either the
// disk takes the new name, or the trace says, in Windows' words, that the
// name cannot be held, and the file keeps its name.
TEST(StamperEndToEnd, ANewNameTheDiskCannotHoldIsSaidSo) {
    SiteFixture site;
    site.write_par_with_adr(3);
    site.write_site_file(sample::site_file_text("C\xF4te"));
    site.add_file(site.to_send(), "P1234_0301.K8", "data", testing_site::march_1_2015_1420());
    const std::string trace = stamper_trace(site);
    const std::vector<std::string> names = testing_site::names_in(site.to_send());
    ASSERT_EQ(names.size(), 1u) << trace;
    if (names[0] == "P1234_0301.K8") {
        EXPECT_NE(trace.find("The filename, directory name, or volume label syntax is incorrect.\n"), std::string::npos)
            << trace;
    }
    EXPECT_EQ(trace.find("Access is denied."), std::string::npos) << trace;
    EXPECT_EQ(testing_site::read_file(site.to_send() + "/" + names[0]), "data");
}

TEST(StamperEndToEnd, ShortK7KeepsItsName) {
    SiteFixture site;
    worked_example_site(site);
    site.add_k7("03011420.K7", 0x01, 0x2C, site.par_name(), testing_site::march_1_2015_1420(), 100);
    const std::string trace = stamper_trace(site);
    EXPECT_NE(trace.find("Fichier 03011420.K7 | fichier K7 trop court (100 octets), nom inchange\n"), std::string::npos)
        << trace;
    EXPECT_EQ(testing_site::names_in(site.to_send()), std::vector<std::string>{"03011420.K7"});
}

TEST(StamperEndToEnd, DirectoryNamedLikeADataFileIsLeftAlone) {
    SiteFixture site;
    worked_example_site(site);
    testing_site::make_dirs(site.to_send() + "/03011420.K7");
    const std::string trace = stamper_trace(site);
    EXPECT_NE(trace.find("Fichier 03011420.K7 | fichier illisible, nom inchange\n"), std::string::npos) << trace;
    EXPECT_EQ(testing_site::names_in(site.to_send()), std::vector<std::string>{"03011420.K7"});
}

TEST(StamperEndToEnd, RefusedRenameLeavesBothFiles) {
    SiteFixture site;
    worked_example_site(site);
    site.add_k7("03011420.K7", 0x01, 0x2C, site.par_name(), testing_site::march_1_2015_1420());
    site.add_file(site.to_send(), "P0300_Coteau_201503011420.K7", "already stamped", testing_site::march_1_2015_1420());
    const std::map<std::string, std::string> before = testing_site::files_below(site.to_send());
    stamper_trace(site);
    EXPECT_EQ(testing_site::files_below(site.to_send()), before);
}

TEST(StamperEndToEnd, EachFileRepeatsTheLookupAndNothingCarriesOver) {
    SiteFixture site;
    site.write_site_file(sample::site_file_text("Coteau"));
    site.write_par_with_adr(3);
    site.add_k7("03011420.K7", 0x01, 0x2C, site.par_name(), testing_site::march_1_2015_1420());
    site.add_k7("03011421.K7", 0x01, 0x2C, "NOPAR", testing_site::march_1_2015_1420());
    const std::string trace = stamper_trace(site);
    EXPECT_EQ(testing_site::names_in(site.to_send()),
              (std::vector<std::string>{"03011421.K7", "P0300_Coteau_201503011420.K7"}));
    size_t echoes = 0;
    for (size_t at = trace.find("File programmes:"); at != std::string::npos;
         at = trace.find("File programmes:", at + 1))
        ++echoes;
    EXPECT_EQ(echoes, 2u);
}

}  // namespace
