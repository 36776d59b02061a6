// Hostile names and inputs through the whole cycle (stamp, send, file) of
// the built programs, where only a real run shows what becomes of them:
// special characters under each build's route to its commands, names that
// Windows opens as devices or that its code page cannot spell, the disk's
// own limits, special files and links on the disk, the run lock.
// Whatever the input: both programs end with status 0, no data file is lost
// or doubled, no command other than the programs' own runs, and what was
// refused says so in the trace. The hostile names that the rules alone
// decide are checked in this process (hostile_names_test.cpp).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/site_fixture.h"
#include "tools/sample_site.h"

namespace {

using testing_site::SiteFixture;

struct HostileCase {
    const char* what;
    std::function<void(const SiteFixture&)> set_up;  // puts its data files in to-send
    std::string trace_line;                          // "" when nothing needs saying
    bool windows_names = true;                       // possible on a Windows file system
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.what; }

std::string data_of(const std::string& name) { return "data of " + name; }

void add_data(const SiteFixture& site, const std::string& name) {
    site.add_file(site.to_send(), name, data_of(name), testing_site::march_1_2015_1420());
}

// How many files under the site hold each data content.
std::map<std::string, int> data_counts(const SiteFixture& site) {
    std::map<std::string, int> counts;
    for (const std::string& root : {site.work(), site.base()})
        for (const auto& entry : testing_site::files_below(root))
            if (entry.second.rfind("data of ", 0) == 0) ++counts[entry.second];
    return counts;
}

void expect_no_pwned_directory(const std::string& dir) {
    for (const std::string& name : testing_site::names_in(dir)) {
        EXPECT_NE(name, "pwned") << dir;
        expect_no_pwned_directory(dir + "/" + name);
    }
}

// Stamps, sends and files; returns both traces.
std::string run_cycle(const SiteFixture& site) {
    const testing_site::ProgramRun stamped = site.run_stamper();
    EXPECT_EQ(stamped.status, 0) << stamped.output;
    for (const std::string& name : testing_site::names_in(site.to_send()))
        std::rename((site.to_send() + "/" + name).c_str(), (site.sent() + "/" + name).c_str());
    const testing_site::ProgramRun filed = site.run_filer();
    EXPECT_EQ(filed.status, 0) << filed.output;
    return testing_site::normalised_trace(stamped.output + filed.output);
}

class HostileCases : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileCases, LoseNothingAndRunNothingElse) {
    const HostileCase& c = GetParam();
    if (testing_site::testing_windows_build() && !c.windows_names) GTEST_SKIP() << "not a possible Windows name";
    SiteFixture site;
    site.write_site_file(sample::site_file_text("Coteau"));
    site.write_par_with_adr(3);
    c.set_up(site);
    const std::map<std::string, int> before = data_counts(site);
    const std::string trace = run_cycle(site);
    std::map<std::string, int> after = data_counts(site);
    EXPECT_EQ(after, before) << c.what << "\n" << trace;
    for (const auto& [content, count] : after) EXPECT_EQ(count, 1) << content;
    expect_no_pwned_directory(site.work());
    expect_no_pwned_directory(site.base());
    EXPECT_NE(trace.find(c.trace_line), std::string::npos) << c.what << ": no line " << c.trace_line << "\n" << trace;
}

std::vector<HostileCase> hostile_cases() {
    std::vector<HostileCase> cases;
    // Every character that means something to a shell or to the Windows
    // command interpreter, in .K8 first tokens and in stamped names, and
    // command substitutions, all in one site: each build's own route to its
    // commands (under the system() route, the Windows command interpreter
    // reads the command lines) must take them as plain names. The same names
    // one by one: hostile_names_test.cpp.
    cases.push_back({"every special character at once",
                     [](const SiteFixture& site) {
                         std::string specials = "&^%!();,='` $";
                         if (!testing_site::testing_windows_build()) specials += "|<>\"";
                         for (char c : specials) {
                             const std::string token = std::string("P1") + c + "mkdir pwned" + c + "1";
                             add_data(site, token + "_0301.K8");
                             site.add_file(site.sent(), "P0300_a" + token.substr(2) + "_2015.K7",
                                           data_of(token + ".K7"), testing_site::march_1_2015_1420());
                         }
                         for (const char* name :
                              {"P1$(mkdir pwned)1_0301.K8", "P2`mkdir pwned`2_0301.K8", "wet_$(mkdir pwned)_A001.raw"})
                             add_data(site, name);
                     },
                     ""});
    // Windows opens the device under such a name, wherever it stands.
    cases.push_back({"names Windows keeps for devices",
                     [](const SiteFixture& site) {
                         for (const char* name : {"NUL.K7", "con.K8", "wet_COM1.raw", "lpt1", "wet_CON.raw"})
                             add_data(site, name);
                     },
                     "Not listed, a name that Windows cannot hold: NUL.K7\n"});
    // An NTFS disk holds them; the Windows programs, working in the ANSI
    // code page, can neither open nor list them, and say so.
    cases.push_back({"names outside the Windows code page",
                     [](const SiteFixture& site) {
                         add_data(site, "P1234_\xD0\x96_201503011420.K7");
                         add_data(site, "wet_\xE6\x97\xA5_A001.raw");
                     },
                     // The system's interpreter writes '?' for the character.
                     testing_site::testing_windows_build()
                         ? "Not listed, a name that this system's code page cannot spell: P1234_"
                         : ""});
    // Near the length a Windows path may have, and past the length of a
    // name the disk holds.
    cases.push_back({"a name of 160 characters",
                     [](const SiteFixture& site) { add_data(site, "P1" + std::string(150, 'a') + "_0301.K8"); },
                     "Fichier P1aaaa"});
    cases.push_back({"a site name of one megabyte",
                     [](const SiteFixture& site) {
                         site.write_site_file("[NAME SITE]\r\n" + std::string(1u << 20, 's') + "\r\n");
                         add_data(site, "P1234_0301.K8");
                     },
                     "The filename or extension is too long.\n", false});
    // Special files where the programs read: each would block a plain open
    // for ever.
    const auto fifo = [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0) << path; };
    cases.push_back({"FIFOs named like data files, or linked to",
                     [fifo](const SiteFixture& site) {
                         fifo(site.to_send() + "/03011420.K7");
                         fifo(site.work() + "/pipe");
                         ASSERT_EQ(
                             ::symlink((site.work() + "/pipe").c_str(), (site.to_send() + "/03011421.K8").c_str()), 0);
                         add_data(site, "P1234_0301.K8");
                     },
                     "Fichier 03011420.K7 | fichier illisible, nom inchange\n", false});
    cases.push_back({"a FIFO as the site file and as the parameter file",
                     [fifo](const SiteFixture& site) {
                         std::remove((site.work() + "/electron-site.ini").c_str());
                         fifo(site.work() + "/electron-site.ini");
                         std::remove((site.program_files() + "/ASTPWin/PAR/" + site.par_name() + ".PAR").c_str());
                         fifo(site.program_files() + "/ASTPWin/PAR/" + site.par_name() + ".PAR");
                         sample::K7Fields fields;
                         fields.number = 300;
                         fields.par_name = site.par_name();
                         site.add_file(site.to_send(), "03011420.K7", data_of("k7") + sample::k7_file_bytes(fields),
                                       testing_site::march_1_2015_1420());
                     },
                     "ADR=0 Nb=0", false});
    cases.push_back({"a FIFO as the path configuration",
                     [fifo](const SiteFixture& site) {
                         std::remove((site.work() + "/path_autok7.txt").c_str());
                         fifo(site.work() + "/path_autok7.txt");
                         add_data(site, "P1234_0301.K8");
                     },
                     "path_autok7.txt introuvable", false});
    // The listings are written as new files: a link at their names is
    // replaced, never written through.
    cases.push_back(
        {"listing files that are links to data files",
         [](const SiteFixture& site) {
             testing_site::write_file(site.work() + "/precious.K7", data_of("precious"));
             testing_site::write_file(site.work() + "/precious.K8", data_of("precious K8"));
             for (const auto& [listing, data] :
                  {std::pair<const char*, const char*>{"dirk7.txt", "precious.K7"}, {"dirk7-2.txt", "precious.K8"}})
                 ASSERT_EQ(::symlink((site.work() + "/" + data).c_str(), (site.base() + "/" + listing).c_str()), 0);
             add_data(site, "P1234_0301.K8");
         },
         "", false});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Adversarial, HostileCases, ::testing::ValuesIn(hostile_cases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             return "case" + std::to_string(info.index);
                         });

TEST(Adversarial, SymbolicLinksAsDataFiles) {
    if (testing_site::testing_windows_build()) GTEST_SKIP() << "symbolic links are a POSIX test";
    SiteFixture site;
    testing_site::write_file(site.work() + "/outside.K8", data_of("outside"));
    testing_site::set_mtime(site.work() + "/outside.K8", testing_site::march_1_2015_1420());
    ASSERT_EQ(::symlink((site.work() + "/outside.K8").c_str(), (site.to_send() + "/P1234_0301.K8").c_str()), 0);
    ASSERT_EQ(::symlink((site.work() + "/nowhere").c_str(), (site.to_send() + "/P2222_0301.K8").c_str()), 0);
    const std::string trace = run_cycle(site);
    EXPECT_NE(trace.find("Fichier P2222_0301.K8 | fichier illisible, nom inchange\n"), std::string::npos) << trace;
    EXPECT_EQ(testing_site::read_file(site.work() + "/outside.K8"), data_of("outside"));
    EXPECT_EQ(testing_site::read_file(site.base() + "/1234/2015/P1234_20150301-1420.k8"), data_of("outside"));
}

TEST(Adversarial, ReadOnlyToSendDirectory) {
    if (testing_site::testing_windows_build()) GTEST_SKIP() << "permissions are a POSIX test";
    SiteFixture site;
    add_data(site, "P1234_0301.K8");
    // The program runs as nobody: every directory may be entered, and all but
    // the to-send directory may be written.
    for (const std::string& dir : {site.work() + "/..", site.work(), site.base(), site.sent()})
        ::chmod(dir.c_str(), 0777);
    ::chmod(site.to_send().c_str(), 0555);
    const testing_site::ProgramRun run =
        testing_site::run_program(testing_site::Program::Stamper, site.work(), {{"TZ", "UTC"}}, {true, 0, 0});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("Access is denied.\n"), std::string::npos) << run.output;
    EXPECT_EQ(testing_site::read_file(site.to_send() + "/P1234_0301.K8"), data_of("P1234_0301.K8"));
    ::chmod(site.to_send().c_str(), 0755);
}

}  // namespace

namespace {

// Holds the filer's run lock as another run would: with both kinds of lock,
// the one the native programs take and the one Wine's LockFileEx takes.
class HeldRunLock {
public:
    explicit HeldRunLock(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CREAT, 0666)) {
        EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0);
        struct flock whole = {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        EXPECT_EQ(::fcntl(fd_, F_SETLK, &whole), 0);
    }
    ~HeldRunLock() { ::close(fd_); }

private:
    int fd_;
};

TEST(Adversarial, ASecondRunWaitsThenGivesUpTouchingNothing) {
    SiteFixture site;
    site.add_file(site.sent(), "P0300_Coteau_2015.K7", data_of("sent"), testing_site::march_1_2015_1420());
    const HeldRunLock other_run(site.base() + "/brasko.lock");
    const testing_site::ProgramRun run = site.run_filer();
    EXPECT_EQ(run.status, 0);
    EXPECT_GE(run.seconds, 4.5);
    EXPECT_NE(testing_site::normalised_trace(run.output)
                  .find("\nUne autre execution de brasko tient le verrou " +
                        SiteFixture::joined(site.shown(site.base()), "brasko.lock") + " : rien n est fait\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(testing_site::names_in(site.base()), (std::vector<std::string>{"aenvoyer", "brasko.lock", "envoye"}));
    EXPECT_EQ(testing_site::names_in(site.sent()), std::vector<std::string>{"P0300_Coteau_2015.K7"});
}

// A listing that cannot be written or read whole is never acted on: the
// operator reads why, and the files stay where they are.
TEST(Adversarial, AListingThatCannotBeWrittenWholeIsNotActedOn) {
    if (testing_site::testing_windows_build()) GTEST_SKIP() << "file size limits and permissions are a POSIX test";
    struct Case {
        const char* what;
        testing_site::RunConditions conditions;
        mode_t sent_mode;
        std::string says;
    };
    const std::vector<Case> cases = {
        // A listing of 4 KiB and more, beyond the limit; the trace before it
        // stays within.
        {"a full disk", {false, 4096, 0}, 0755, "There is not enough space on the disk.\n"},
        {"an unreadable sent directory", {true, 0, 0}, 0333, "Access is denied.\n"},
    };
    for (const Case& c : cases) {
        SiteFixture site;
        for (int i = 0; i < 150; ++i) {
            const std::string name = "P0300_Coteau_20150301" + std::to_string(1000 + i) + ".K7";
            site.add_file(site.sent(), name, data_of(name), testing_site::march_1_2015_1420());
        }
        testing_site::write_file(site.base() + "/dirk7.txt", "P0300_Coteau_201503011420.K7\r\n");  // an old one
        for (const std::string& dir : {site.work() + "/..", site.work(), site.base()}) ::chmod(dir.c_str(), 0777);
        ::chmod(site.sent().c_str(), c.sent_mode);
        const testing_site::ProgramRun run =
            testing_site::run_program(testing_site::Program::Filer, site.work(), {{"TZ", "UTC"}}, c.conditions);
        ::chmod(site.sent().c_str(), 0755);
        EXPECT_EQ(run.status, 0) << c.what;
        const std::string listing = site.base() + "/dirk7.txt";
        EXPECT_NE(run.output.find(c.says + "\ntmp-->" + listing + "\nListe " + listing + " illisible\ntmp-0->"),
                  std::string::npos)
            << c.what << "\n"
            << run.output;
        EXPECT_NE(run.output.find("pas de fichier a ranger"), std::string::npos) << c.what << "\n" << run.output;
        EXPECT_EQ(testing_site::names_in(site.sent()).size(), 150u) << c.what;
        EXPECT_FALSE(testing_site::exists(listing)) << c.what;
    }
}

}  // namespace
