// The stamping pass in this process, with a test double of the command
// interpreter that writes listings no real one would.
#include "stamper/stamping_pass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/fs/paths.h"
#include "common/fs/real_file_system.h"
#include "common/interpreter/interpreter.h"
#include "tests/support/fixed_host.h"
#include "tests/support/site_fixture.h"
#include "tools/sample_site.h"

namespace {

using testing_site::native_path;
using testing_site::SiteFixture;

// Writes a given listing for the listing command, runs everything else with
// the built-in interpreter, and remembers every command line.
class ListingDouble : public site::CommandInterpreter {
public:
    ListingDouble(site::Trace& console, site::FileSystem& fs, const std::string& start, std::string listing)
        : CommandInterpreter(fs, start), builtin_(console, fs, start), listing_(std::move(listing)) {}

    site::CommandResult run(const site::Command& command) override {
        commands.push_back(command.rendered());
        if (command.kind != site::CommandKind::ListBare) return builtin_.run(command);
        testing_site::write_file(command.target, listing_);
        return {};
    }

    std::vector<std::string> commands;

private:
    site::BuiltinInterpreter builtin_;
    std::string listing_;
};

class StampingPassTest : public ::testing::Test {
protected:
    StampingPassTest() {
        testing_site::write_file(site.work() + "/path_autok7.txt",
                                 sample::path_config_text(site.base(), site.to_send(), site.sent()));
        site.write_site_file(sample::site_file_text("Coteau"));
        for (const char* name : {"P0001_0301.K8", "P0002_0301.K8"})
            site.add_file(site.to_send(), name, name, testing_site::march_1_2015_1420());
    }

    std::string run_with_listing(const std::string& listing) {
        site::Trace trace;
        ListingDouble interpreter(trace, disk, site.work(), listing);
        site::run_stamping_pass(trace, interpreter, disk, host);
        commands = interpreter.commands;
        return trace.text();
    }

    site::RealFileSystem disk;
    SiteFixture site;
    testing_site::FixedHost host{site.program_files()};
    std::vector<std::string> commands;
};

TEST_F(StampingPassTest, LastListedNameWithoutNewlineIsNotStamped) {
    const std::string trace = run_with_listing("P0001_0301.K8\r\nP0002_0301.K8");
    EXPECT_EQ(testing_site::names_in(site.to_send()),
              (std::vector<std::string>{"P0001_Coteau_20150301-1420.k8", "P0002_0301.K8"}));
    const std::string tail = "New nom de Fichier P0001_Coteau_20150301-1420.k8 \n\n\nPlus de fichier\nVersion 2";
    EXPECT_NE(trace.find(tail), std::string::npos) << trace;
    EXPECT_EQ(trace.find("Fichier P0002"), std::string::npos) << trace;
}

TEST_F(StampingPassTest, ListingLineLongerThanTheBufferIsSkippedWhole) {
    const std::string long_name = std::string(150, 'a') + "_" + std::string(60, '1') + ".K8";
    const std::string trace = run_with_listing(long_name + "\r\nP0001_0301.K8\r\n");
    EXPECT_NE(trace.find("\nNom trop long dans la liste, ignore : " + long_name.substr(0, 199) + "...\n"),
              std::string::npos)
        << trace;
    EXPECT_EQ(trace.find("Fichier 1"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Fichier P0001_0301.K8 "), std::string::npos);
}

// path.txt would get the same line at each .K7 file: it is written once.
TEST_F(StampingPassTest, CommandsInOrder) {
    site.write_par_with_adr(3);
    for (const char* name : {"03011420.K7", "03011421.K7"})
        site.add_k7(name, 1, 44, site.par_name(), testing_site::march_1_2015_1420());
    run_with_listing("03011420.K7\r\nP0001_0301.K8\r\n03011421.K7\r\n");
    const std::string rename = "rename " + native_path(site.to_send()) + site::kPathSeparator;
    EXPECT_EQ(commands,
              (std::vector<std::string>{
                  "dir /B " + native_path(site.to_send() + "/*.K?") + " > " + native_path(site.base() + "/dirk7-2.txt"),
                  "echo %programfiles% > path.txt", rename + "03011420.K7 P0300_Coteau_201503011420.K7",
                  rename + "P0001_0301.K8 P0001_Coteau_20150301-1420.k8",
                  rename + "03011421.K7 P0300_Coteau_201503011421.K7"}));
}

TEST_F(StampingPassTest, UnreadableListingIsAnEmptyOne) {
    testing_site::write_file(site.work() + "/path_autok7.txt", "/no/such/base\n" + site.to_send() + "\n");
    site::Trace trace_collector;
    site::BuiltinInterpreter builtin(trace_collector, disk, site.work(), host);
    site::run_stamping_pass(trace_collector, builtin, disk, host);
    const std::string& trace = trace_collector.text();
    EXPECT_NE(trace.find("The system cannot find the path specified.\n\nListe " +
                         native_path("/no/such/base/dirk7-2.txt") + " illisible\nPlus de fichier\n"),
              std::string::npos)
        << trace;
    EXPECT_EQ(testing_site::names_in(site.to_send()), (std::vector<std::string>{"P0001_0301.K8", "P0002_0301.K8"}));
}

}  // namespace
