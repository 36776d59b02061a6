// End-to-end runs of the built filer on sent directories in temporary sites:
// whole traces, and what the configured directories and the disk decide. The
// rules of where each file goes are checked in this process
// (filing_rules_test.cpp).
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
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
