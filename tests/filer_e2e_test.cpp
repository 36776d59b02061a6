// End-to-end runs of the built filer on sent directories in temporary sites.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/site_fixture.h"

namespace {

using testing_site::SiteFixture;
namespace says = testing_site::interpreter_says;

std::string filer_trace(const SiteFixture& site) {
    const testing_site::ProgramRun run = site.run_filer();
    EXPECT_EQ(run.status, 0);
    return testing_site::normalised_trace(run.output);
}

// The trace up to the first-word line; `listing_output` is what the
// interpreter says while it lists.
std::string opening_lines(const SiteFixture& site, const std::string& listing_output = "") {
    const std::string base = site.shown(site.base());
    const std::string sent = site.shown(site.sent());
    const std::string listing = SiteFixture::joined(base, "dirk7.txt");
    return "\npathbase-->" + base + "\npathenvoye-->" + sent + "\ntmp-->dir /B " + sent + " > " + listing + "\n" +
           listing_output + "\ntmp-->" + listing;
}

void add_sent(const SiteFixture& site, const std::string& name) {
    site.add_file(site.sent(), name, "content of " + name, testing_site::march_1_2015_1420());
}

std::string in_sent(const SiteFixture& site, const std::string& name) {
    return SiteFixture::joined(site.shown(site.sent()), name);
}

TEST(FilerEndToEnd, PhotometerWorkedExampleWholeTrace) {
    SiteFixture site;
    add_sent(site, "P0300_Coteau_201503011420.K7");
    const std::string base = site.shown(site.base());
    const std::string command =
        "move " + in_sent(site, "P0300_*.k?") + " " + SiteFixture::joined(SiteFixture::joined(base, "300"), "2015");
    EXPECT_EQ(filer_trace(site), opening_lines(site) +
                                     "\ntmp-28->P0300_Coteau_201503011420.K7"
                                     "\n\n-->P0300_Coteau_201503011420.K7\n"
                                     "=1=>P0300_Coteau_201503011420.K7\n"
                                     "=dif=>5\n"
                                     "=P=>0300_Coteau_201503011420.K7\n"
                                     "=C=>5chif 0300\n"
                                     "=tt2=>P0300_Coteau_201503011420.K7\n"
                                     "=dir=> " +
                                     SiteFixture::joined("300", "2015") +
                                     "\n"
                                     "=R=>le repertoire n existe pas 300\n"
                                     "Directory created\n"
                                     "Directory created\n" +
                                     says::moved({in_sent(site, "P0300_Coteau_201503011420.K7")}) + "=lcopy=>" +
                                     command);
    EXPECT_EQ(testing_site::files_below(site.base() + "/300"),
              (std::map<std::string, std::string>{
                  {"2015/P0300_Coteau_201503011420.K7", "content of P0300_Coteau_201503011420.K7"}}));
    EXPECT_TRUE(testing_site::names_in(site.sent()).empty());
}

TEST(FilerEndToEnd, WetSensorWorkedExampleWholeTrace) {
    SiteFixture site;
    add_sent(site, "wet_A001.raw");
    const std::string trace = filer_trace(site);
    const std::string expected_start = opening_lines(site) +
                                       "\ntmp-12->wet_A001.raw"
                                       "\n\n-->wet_A001.raw\n"
                                       "=R=>le repertoire n existe pas A001\n"
                                       "Directory created\n"
                                       "=R=>le repertoire n existe pas A001\n"
                                       "Directory created\n";
    EXPECT_EQ(trace.substr(0, expected_start.size()), expected_start) << trace;
    // Then "dir" lists the new, empty sub-directory, and the move follows.
    const std::string sub = SiteFixture::joined(SiteFixture::joined(site.shown(site.base()), "wetsensor"), "A001");
    if (const auto listing = says::empty_directory_listing(sub)) {
        EXPECT_EQ(trace, expected_start + *listing + says::moved_one());
    } else {
        EXPECT_NE(trace.find(says::empty_directory_summary(), expected_start.size()), std::string::npos) << trace;
        EXPECT_EQ(trace.substr(trace.size() - says::moved_one().size()), says::moved_one()) << trace;
    }
    EXPECT_EQ(testing_site::read_file(site.base() + "/wetsensor/A001/wet_A001.raw"), "content of wet_A001.raw");
}

TEST(FilerEndToEnd, EmptySentDirectory) {
    SiteFixture site;
    EXPECT_EQ(filer_trace(site),
              opening_lines(site, says::nothing_listed()) + "\ntmp-0->\n\npas de fichier a ranger\n\n\n");
}

TEST(FilerEndToEnd, OnlyASubDirectoryRunsTheLoop) {
    SiteFixture site;
    testing_site::make_dirs(site.sent() + "/sub");
    const std::string trace = filer_trace(site);
    EXPECT_EQ(trace, opening_lines(site) + "\ntmp-3->sub\n\n-->sub\n");
}

// Files placed in the sent directory (in this order of names), and where
// each must be afterwards, relative to the base directory.
struct FileCase {
    const char* what;
    std::vector<std::string> sent;
    std::map<std::string, std::string> expected;  // name -> place under base
    std::string trace_line;
};

void PrintTo(const FileCase& c, std::ostream* out) { *out << c.what; }

class FileCases : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileCases, EndWhereTheNamingRulesSay) {
    const FileCase& c = GetParam();
    SiteFixture site;
    for (const std::string& name : c.sent) add_sent(site, name);
    const std::string trace = filer_trace(site);
    std::map<std::string, std::string> expected;
    for (const auto& [name, place] : c.expected) expected[place + "/" + name] = "content of " + name;
    const std::map<std::string, std::string> found = testing_site::data_files_below(site.base());
    EXPECT_EQ(found, expected) << c.what << "\n" << trace;
    EXPECT_NE(trace.find(c.trace_line), std::string::npos) << c.what << ": no line " << c.trace_line << "\n" << trace;
}

INSTANTIATE_TEST_SUITE_P(
    Filer, FileCases,
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
        FileCase{"wet sensor: .raw in the middle", {"x_y.raw.bak"}, {{"x_y.raw.bak", "envoye"}}, says::no_such_file()},
        FileCase{
            "wet sensor without underscore is left alone", {"wet.raw"}, {{"wet.raw", "envoye"}}, "\n\n-->wet.raw\n"},
        FileCase{"a name leading out of the archive is refused",
                 {"P.._x_2015.K7"},
                 {{"P.._x_2015.K7", "envoye"}},
                 "2015\n=R=>nom de repertoire refuse, fichier laisse en place\n"}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return "case" + std::to_string(info.index); });

TEST(FilerEndToEnd, NothingInTheArchiveIsReplaced) {
    SiteFixture site;
    testing_site::make_dirs(site.base() + "/300/2015");
    testing_site::make_dirs(site.base() + "/wetsensor/A001");
    testing_site::write_file(site.base() + "/300/2015/P0300_Coteau_201503011420.K7", "archived");
    testing_site::write_file(site.base() + "/wetsensor/A001/wet_A001.raw", "archived wet");
    add_sent(site, "P0300_Coteau_201503011420.K7");
    add_sent(site, "P0300_Coteau_201503011421.K7");
    add_sent(site, "wet_A001.raw");
    const std::string trace = filer_trace(site);
    const std::string archive = site.shown(site.base());
    const std::string kept_photometer =
        says::kept_existing(in_sent(site, "P0300_Coteau_201503011420.K7"),
                            SiteFixture::joined(SiteFixture::joined(SiteFixture::joined(archive, "300"), "2015"),
                                                "P0300_Coteau_201503011420.K7"));
    const std::string kept_wet = says::kept_existing_one(
        SiteFixture::joined(SiteFixture::joined(SiteFixture::joined(archive, "wetsensor"), "A001"), "wet_A001.raw"));
    EXPECT_NE(trace.find(kept_photometer), std::string::npos) << trace;
    EXPECT_NE(trace.find(kept_wet), std::string::npos) << trace;
    EXPECT_EQ(testing_site::read_file(site.base() + "/300/2015/P0300_Coteau_201503011420.K7"), "archived");
    EXPECT_EQ(testing_site::read_file(site.base() + "/300/2015/P0300_Coteau_201503011421.K7"),
              "content of P0300_Coteau_201503011421.K7");
    EXPECT_EQ(testing_site::read_file(site.base() + "/wetsensor/A001/wet_A001.raw"), "archived wet");
    EXPECT_EQ(testing_site::names_in(site.sent()),
              (std::vector<std::string>{"P0300_Coteau_201503011420.K7", "wet_A001.raw"}));
}

TEST(FilerEndToEnd, MissingBaseDirectoryIsAnEmptyListing) {
    SiteFixture site;
    add_sent(site, "P0300_Coteau_201503011420.K7");
    testing_site::write_file(site.work() + "/path_autok7.txt",
                             site.shown(site.base() + "/missing") + "\n\n" + site.shown(site.sent()) + "\n");
    const std::string trace = filer_trace(site);
    EXPECT_NE(trace.find("illisible\ntmp-0->\n\npas de fichier a ranger\n"), std::string::npos) << trace;
    EXPECT_EQ(testing_site::names_in(site.sent()), std::vector<std::string>{"P0300_Coteau_201503011420.K7"});
}

// The configured directories as a site may write them: relative to the
// programs' folder, empty, or reached through links.
TEST(FilerEndToEnd, ConfiguredDirectoriesMeanOnePlaceEach) {
    const auto config = [](const SiteFixture& site, const std::string& base, const std::string& sent) {
        testing_site::write_file(site.work() + "/path_autok7.txt",
                                 base + "\n" + SiteFixture::joined(base, "aenvoyer") + "\n" + sent + "\n");
    };
    {
        SiteFixture site;
        add_sent(site, "P0300_Coteau_201503011420.K7");
        add_sent(site, "wet_A001.raw");
        const std::string base = SiteFixture::joined("..", "base");
        config(site, base, SiteFixture::joined(base, "envoye"));
        const std::string trace = filer_trace(site);
        EXPECT_EQ(testing_site::data_files_below(site.base()),
                  (std::map<std::string, std::string>{
                      {"300/2015/P0300_Coteau_201503011420.K7", "content of P0300_Coteau_201503011420.K7"},
                      {"wetsensor/A001/wet_A001.raw", "content of wet_A001.raw"}}))
            << trace;
    }
    {
        SiteFixture site;
        add_sent(site, "P0300_Coteau_201503011420.K7");
        config(site, "", site.shown(site.sent()));
        const std::string trace = filer_trace(site);
        EXPECT_NE(trace.find("\npathbase-->\npathenvoye-->" + site.shown(site.sent()) +
                             "\npath_autok7.txt ne donne pas de repertoire de base : rien n est fait\n"),
                  std::string::npos)
            << trace;
        EXPECT_EQ(testing_site::names_in(site.base()), (std::vector<std::string>{"aenvoyer", "envoye"}));
        EXPECT_EQ(testing_site::names_in(site.work()), std::vector<std::string>{"path_autok7.txt"});
    }
    if (!testing_site::testing_windows_build()) {
        SiteFixture site;
        add_sent(site, "P0300_Coteau_201503011420.K7");
        testing_site::make_dirs(site.work() + "/elsewhere/2015");
        testing_site::make_dirs(site.base() + "/300");
        ASSERT_EQ(::symlink((site.work() + "/elsewhere/2015").c_str(), (site.base() + "/300/2015").c_str()), 0);
        ASSERT_EQ(::symlink(site.sent().c_str(), (site.work() + "/sent-link").c_str()), 0);
        config(site, site.base(), site.work() + "/sent-link");
        const std::string trace = filer_trace(site);
        EXPECT_EQ(testing_site::read_file(site.work() + "/elsewhere/2015/P0300_Coteau_201503011420.K7"),
                  "content of P0300_Coteau_201503011420.K7")
            << trace;
    }
}

TEST(FilerEndToEnd, ANameTooLongForTheListingIsPassedOver) {
    if (testing_site::testing_windows_build()) GTEST_SKIP() << "a name of 220 characters in a Wine path is too long";
    SiteFixture site;
    const std::string long_name = "P0300_" + std::string(214, 'b');
    add_sent(site, long_name);
    const std::string trace = filer_trace(site);
    EXPECT_NE(trace.find("\n\nNom trop long dans la liste, ignore : " + long_name.substr(0, 199) + "...\n"),
              std::string::npos)
        << trace;
    EXPECT_EQ(testing_site::names_in(site.sent()), std::vector<std::string>{long_name});
}

}  // namespace
