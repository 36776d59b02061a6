// Names that hold characters special to the Windows command interpreter go
// through both programs as plain names: nothing else ever runs, and no file
// is lost.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/site_fixture.h"
#include "tools/sample_site.h"

namespace {

using testing_site::SiteFixture;

// No directory named "pwned" may appear anywhere: each injected command
// would make one, in whichever directory the program was in.
void expect_no_pwned_directory(const std::string& dir) {
    for (const std::string& name : testing_site::names_in(dir)) {
        EXPECT_NE(name, "pwned") << dir;
        expect_no_pwned_directory(dir + "/" + name);
    }
}

TEST(SpecialNames, StamperRenamesThemAsPlainNames) {
    SiteFixture site;
    site.write_site_file(sample::site_file_text("Coteau"));
    const std::vector<std::string> names = {"P1&mkdir pwned&1_0301.K8", "P2 (x)!;,=^_0301.K8"};
    for (const std::string& name : names) site.add_file(site.to_send(), name, name, testing_site::march_1_2015_1420());
    const testing_site::ProgramRun run = site.run_stamper();
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> stamped = {"P1&mkdir pwned&1_Coteau_20150301-1420.k8",
                                              "P2 (x)!;,=^_Coteau_20150301-1420.k8"};
    EXPECT_EQ(testing_site::names_in(site.to_send()), stamped) << run.output;
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(testing_site::read_file(site.to_send() + "/" + stamped[i]), names[i]);
    expect_no_pwned_directory(site.work());
    expect_no_pwned_directory(site.base());
}

TEST(SpecialNames, PercentSignsNeverRunAnything) {
    SiteFixture site;
    site.write_site_file(sample::site_file_text("Coteau"));
    site.add_file(site.to_send(), "P4%nosuchsitevar%4_0301.K8", "unset", testing_site::march_1_2015_1420());
    site.add_file(site.to_send(), "P5%OS%5_0301.K8", "set", testing_site::march_1_2015_1420());
    const testing_site::ProgramRun run = site.run_stamper();
    EXPECT_EQ(run.status, 0);
    // Through the Windows command interpreter, a set variable between percent
    // signs changes the name it looks for: that file keeps its name.
    const std::string second =
        testing_site::interpreter_says::expands_variables() ? "P5%OS%5_0301.K8" : "P5%OS%5_Coteau_20150301-1420.k8";
    EXPECT_EQ(testing_site::names_in(site.to_send()),
              (std::vector<std::string>{"P4%nosuchsitevar%4_Coteau_20150301-1420.k8", second}))
        << run.output;
    EXPECT_EQ(testing_site::read_file(site.to_send() + "/" + second), "set");
}

TEST(SpecialNames, FilerMovesThemAsPlainNames) {
    SiteFixture site;
    const std::vector<std::string> names = {"P0300_a&mkdir pwned&_2015.K7", "wet_&mkdir pwned&_A001.raw",
                                            "P0044_(x) ^!,;=_2015.K7"};
    for (const std::string& name : names) site.add_file(site.sent(), name, name, testing_site::march_1_2015_1420());
    const testing_site::ProgramRun run = site.run_filer();
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(testing_site::names_in(site.sent()).empty()) << run.output;
    EXPECT_EQ(testing_site::read_file(site.base() + "/300/2015/" + names[0]), names[0]);
    EXPECT_EQ(testing_site::read_file(site.base() + "/wetsensor/A001/" + names[1]), names[1]);
    EXPECT_EQ(testing_site::read_file(site.base() + "/044/2015/" + names[2]), names[2]);
    expect_no_pwned_directory(site.work());
    expect_no_pwned_directory(site.base());
}

}  // namespace
