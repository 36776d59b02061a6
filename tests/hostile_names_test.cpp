// Hostile names and inputs through the whole cycle (stamp, send, file), in
// this process over a site held in memory. Whatever the input: no data file
// is lost or doubled, no directory is made from a command hidden in a name,
// and what was refused says so in the trace. What only the real programs on
// a real disk can show (FIFOs, links, device names, the code page, the
// disk's own limits, the Windows command interpreter) is in
// adversarial_e2e_test.cpp.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/memory_site.h"
#include "tests/support/site_fixture.h"
#include "tests/support/test_platform.h"
#include "tools/sample_site.h"

namespace {

using testing_site::MemorySite;

struct HostileCase {
    const char* what;
    std::function<void(MemorySite&)> set_up;  // puts its data files in to-send
    std::string trace_line;                   // "" when nothing needs saying
    bool windows_names = true;                // possible on a Windows file system
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.what; }

std::string data_of(const std::string& name) { return "data of " + name; }

void add_data(MemorySite& site, const std::string& name) {
    site.add_file(site.to_send(), name, data_of(name), testing_site::march_1_2015_1420());
}

// How many files under the site hold each data content.
std::map<std::string, int> data_counts(MemorySite& site) {
    std::map<std::string, int> counts;
    for (const std::string& root : {site.work(), site.base()})
        for (const auto& entry : site.files_below(root))
            if (entry.second.rfind("data of ", 0) == 0) ++counts[entry.second];
    return counts;
}

void expect_no_pwned_directory(MemorySite& site, const std::string& dir) {
    for (const std::string& name : site.names_in(dir)) {
        EXPECT_NE(name, "pwned") << dir;
        expect_no_pwned_directory(site, dir + "/" + name);
    }
}

// Stamps, sends (every entry of to-send moved to sent, as the transfer
// does) and files; returns both traces.
std::string run_cycle(MemorySite& site) {
    const std::string stamped = site.stamp();
    for (const std::string& name : site.names_in(site.to_send()))
        site.fs.move(site.to_send() + "/" + name, site.sent() + "/" + name);
    return stamped + site.file();
}

class HostileCases : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileCases, LoseNothingAndRunNothingElse) {
    const HostileCase& c = GetParam();
    if (!c.windows_names && !testing_site::kPosixOnlyEntries) GTEST_SKIP() << "not a possible Windows name";
    MemorySite site;
    site.write_site_file(sample::site_file_text("Coteau"));
    site.write_par_with_adr(3);
    c.set_up(site);
    const std::map<std::string, int> before = data_counts(site);
    const std::string trace = run_cycle(site);
    std::map<std::string, int> after = data_counts(site);
    EXPECT_EQ(after, before) << c.what << "\n" << trace;
    for (const auto& [content, count] : after) EXPECT_EQ(count, 1) << content;
    expect_no_pwned_directory(site, site.work());
    expect_no_pwned_directory(site, site.base());
    EXPECT_NE(trace.find(c.trace_line), std::string::npos) << c.what << ": no line " << c.trace_line << "\n" << trace;
}

std::vector<HostileCase> hostile_cases() {
    std::vector<HostileCase> cases;
    // Every character that means something to a shell or to the Windows
    // command interpreter, in a .K8 first token and in a stamped name.
    const std::string windows_specials = "&^%!();,='` $";
    const std::string posix_only = "|<>\"";
    for (char c : windows_specials + posix_only) {
        const bool windows = windows_specials.find(c) != std::string::npos;
        const std::string token = std::string("P1") + c + "mkdir pwned" + c + "1";
        cases.push_back({"special character",
                         [token](MemorySite& site) {
                             add_data(site, token + "_0301.K8");
                             site.add_file(site.sent(), "P0300_a" + token.substr(2) + "_2015.K7",
                                           data_of(token + ".K7"), testing_site::march_1_2015_1420());
                         },
                         "", windows});
    }
    cases.push_back({"command substitutions",
                     [](MemorySite& site) {
                         add_data(site, "P1$(mkdir pwned)1_0301.K8");
                         add_data(site, "P2`mkdir pwned`2_0301.K8");
                         add_data(site, "wet_$(mkdir pwned)_A001.raw");
                     },
                     ""});
    cases.push_back({"bytes of 0x80 and above",
                     [](MemorySite& site) {
                         add_data(site, "P1\xE9\xFF\x80_0301.K8");
                         add_data(site,
                                  "wet_\xE9"
                                  "t\xE9_A\xFF"
                                  "01.raw");
                     },
                     "", false});
    cases.push_back({"a name too long for the listing",
                     [](MemorySite& site) { add_data(site, "P1" + std::string(220, 'b') + "_0301.K8"); },
                     "Nom trop long dans la liste, ignore : P1bbbb", false});
    cases.push_back({"directories named like data files",
                     [](MemorySite& site) {
                         site.fs.put_directory(site.to_send() + "/03011420.K7");
                         site.fs.put_directory(site.sent() + "/P0300_d_2015.K7");
                         add_data(site, "P0300_0301.K8");
                     },
                     "Fichier 03011420.K7 | fichier illisible, nom inchange\n"});
    cases.push_back({"a .PAR file of random bytes",
                     [](MemorySite& site) {
                         site.write_par(sample::filler_bytes(4096, 7));
                         sample::K7Fields fields;
                         fields.number = 300;
                         fields.par_name = site.par_name();
                         site.add_file(site.to_send(), "03011420.K7", data_of("k7") + sample::k7_file_bytes(fields),
                                       testing_site::march_1_2015_1420());
                     },
                     " absent ou sans ligne Number, nom inchange\n"});
    cases.push_back({"a site file of one megabyte",
                     [](MemorySite& site) {
                         std::string ini = "[COM]\r\n";
                         while (ini.size() < (1u << 20)) ini += "; padding line of the site file\r\n";
                         site.write_site_file(ini + "[NAME SITE]\r\nCoteau\r\n");
                         add_data(site, "P1234_0301.K8");
                     },
                     "nom du site Coteau\n"});
    cases.push_back({"an empty configuration file",
                     [](MemorySite& site) {
                         site.fs.put_file(site.work() + "/path_autok7.txt", "");
                         add_data(site, "P1234_0301.K8");
                     },
                     "\npathbase-->C:\\vardel\\base\n"});
    cases.push_back({"a configuration file of one megabyte",
                     [](MemorySite& site) {
                         site.fs.put_file(site.work() + "/path_autok7.txt", std::string(1u << 20, 'c'));
                         add_data(site, "P1234_0301.K8");
                     },
                     "\npos zero"});
    cases.push_back(
        {"a wildcard and an end-of-data byte in names",
         [](MemorySite& site) {
             add_data(site, "0*.K8");
             add_data(site, "0\x1A.K8");
             for (const char* name : {"P0*_2015.K7", "A\x1A_x.raw", "P0044_Coteau_2015.K7", "P0300_Coteau_2015.K7"})
                 site.add_file(site.sent(), name, data_of(name), testing_site::march_1_2015_1420());
         },
         "Not listed, a name that Windows cannot hold: P0?_2015.K7\n", false});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(InMemory, HostileCases, ::testing::ValuesIn(hostile_cases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             return "case" + std::to_string(info.index);
                         });

}  // namespace
