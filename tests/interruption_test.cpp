// Runs killed at calls spread over their whole length (under strace, as
// the n-th call of a kind is made: the same point of the work on any
// machine), natively: on one file
// system, with the sent directory on another, beside a second run of the
// same program, and the Windows filer under Wine during large moves across
// volumes. After each kill every data file is whole under at least one of
// its names; after a complete rerun each is there exactly once, under its
// own photometer, with no temporary copy left.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/program_runner.h"
#include "tests/support/site_fixture.h"
#include "tests/support/temp_site.h"
#include "tools/sample_site.h"

namespace {

using testing_site::Program;
using testing_site::RunConditions;
using Tree = std::map<std::string, std::string>;
using Fingerprints = std::multiset<std::string>;

constexpr int kKills = 16;
constexpr int kFiles = 1000;

std::string fingerprint(const std::string& content) {
    return std::to_string(content.size()) + ":" + std::to_string(std::hash<std::string>{}(content));
}

bool is_temporary(const std::string& path) {
    const auto ends_with = [&](const std::string& end) {
        return path.size() >= end.size() && path.compare(path.size() - end.size(), end.size(), end) == 0;
    };
    return ends_with(".part") || ends_with(".aside") || ends_with(".new") || ends_with("-move.txt") ||
           ends_with(".not-a-record");
}

// A generated site whose sent directory may lie on another file system.
struct Site {
    std::string dir;
    std::string sent;
    std::string base() const { return dir + "/base"; }
    std::string to_send() const { return dir + "/base/aenvoyer"; }

    // Every file of the site's three directories, by path.
    Tree files() const {
        Tree all;
        for (const auto& [path, content] : testing_site::data_files_below(base())) all["base/" + path] = content;
        if (sent.compare(0, base().size(), base()) != 0)
            for (const auto& [path, content] : testing_site::files_below(sent)) all["sent/" + path] = content;
        return all;
    }
};

Site generate(const std::string& dir, const std::string& sent_elsewhere, int files, size_t size) {
    sample::SiteOptions options;
    options.dir = dir;
    options.files = files;
    options.size = size;
    options.windows_paths = testing_site::testing_windows_build();
    Site site{sample::write_sample_site(options), dir + "/base/envoye"};
    if (!sent_elsewhere.empty()) {
        site.sent = sent_elsewhere;
        testing_site::make_dirs(site.sent);
        const auto shown = testing_site::program_path;
        testing_site::write_file(site.dir + "/path_autok7.txt",
                                 sample::path_config_text(shown(site.base()), shown(site.to_send()), shown(site.sent)));
    }
    return site;
}

std::vector<std::pair<std::string, std::string>> environment(const Site& site) {
    return {{"TZ", "UTC"}, {"ProgramFiles", site.dir + "/Program Files"}};
}

testing_site::ProgramRun run(Program program, const Site& site) {
    return testing_site::run_program(program, site.dir, environment(site));
}

// The system calls that a kill is placed at: each file's rename (the
// stamper's, the filer's on one file system), and across file systems
// each flush (the copy's, the record's, their directories') and each
// removal (the source's, the record's), so that the kills land between
// files and in every step of a copy.
constexpr const char* kRenames = "rename,renameat,renameat2";
constexpr const char* kFlushes = "fsync,fdatasync";
constexpr const char* kRemovals = "unlink,unlinkat";

// A run killed as it makes its `call`-th call of `calls`.
RunConditions killed_at(int call, const char* calls) {
    RunConditions conditions;
    conditions.kill_at_call = call;
    conditions.calls = calls;
    return conditions;
}

// A run whose calls of `calls` are counted.
RunConditions counting(const char* calls) {
    RunConditions conditions;
    conditions.count_calls = true;
    conditions.calls = calls;
    return conditions;
}

// Which of its `total` calls kill k of `kills` comes at: the middle of its
// share of the run, so that the kills cover the whole run and each finds
// work left.
int call_for_kill(int kill, int kills, int total) { return std::max(1, (2 * kill + 1) * total / (2 * kills)); }

// Waits until fewer than `files` names are left in `directory` (for at
// most a minute: a run that never starts moving fails its test anyway).
void wait_until_fewer_than(int files, const std::string& directory) {
    for (int polls = 0; polls < 600000 && static_cast<int>(testing_site::names_in(directory).size()) >= files; ++polls)
        ::usleep(100);
}

// What the transfer tool does: the to-send files into the sent directory.
void send(const Site& site) {
    for (const std::string& name : testing_site::names_in(site.to_send()))
        testing_site::write_file(site.sent + "/" + name, testing_site::read_file(site.to_send() + "/" + name));
    testing_site::remove_tree(site.to_send());
    testing_site::make_dirs(site.to_send());
}

Fingerprints fingerprints(const Tree& files) {
    Fingerprints all;
    for (const auto& [path, content] : files)
        if (!is_temporary(path)) all.insert(fingerprint(content));
    return all;
}

// The photometer directory that a stamped name belongs under.
std::string photometer_directory(const std::string& name) {
    if (name.size() < 6 || name[0] != 'P' || name[5] != '_') return "";
    const std::string digits = name.substr(1, 4);
    return digits[0] == '0' ? digits.substr(1) : digits;
}

// When to kill the Windows filer, whose few large files are each copied
// for a long while: kill k aims at the point (k + 1/2) / kills of the run's
// time. The time a file takes is first the uninterrupted run's, then what
// the kills themselves show, so that a machine busier or idler than during
// the measure still gets the spread.
class KillSchedule {
public:
    KillSchedule(double run_seconds, int work, int kills)
        : seconds_per_unit_(run_seconds / work), work_(work), kills_(kills) {}

    long kill_after_us(int kill) const {
        return 1 + static_cast<long>((kill + 0.5) / kills_ * work_ * seconds_per_unit_ * 1e6);
    }
    void landed(long kill_after_us, const testing_site::ProgramRun& run, int done) {
        if (!run.killed || done >= work_)
            came_too_late();
        else if (done <= 0)
            seconds_per_unit_ *= 1.3;  // still starting: a slow start (sanitizers, a busy machine)
        else if (done > work_ / 20)
            seconds_per_unit_ = (seconds_per_unit_ + kill_after_us * 1e-6 / done) / 2;
    }

    // A kill that found the run over: the runs are quicker than measured.
    void came_too_late() { seconds_per_unit_ *= 0.7; }

private:
    double seconds_per_unit_;
    int work_;
    int kills_;
};

// Spread of the kills: how far each run had got, in files done.
struct Landings {
    std::vector<int> done;
    int mid_run = 0;

    void add(const testing_site::ProgramRun& killed, int files_done) {
        mid_run += killed.killed;
        done.push_back(files_done);
    }
    std::string summary() const {
        std::vector<int> sorted = done;
        std::sort(sorted.begin(), sorted.end());
        std::string text =
            std::to_string(mid_run) + " of " + std::to_string(sorted.size()) + " during the run; files done:";
        for (int n : sorted) text += " " + std::to_string(n);
        return text;
    }
    // How many quarters of the work the kills landed in.
    int quarters_reached(int total) const {
        std::set<int> quarters;
        for (int n : done)
            if (n > 0 && n < total) quarters.insert(std::min(3, 4 * n / total));
        return static_cast<int>(quarters.size());
    }
    // Every kill came while there was work left, in every quarter of it.
    void expect_spread_over(int total) const {
        EXPECT_EQ(mid_run, static_cast<int>(done.size())) << summary();
        for (int n : done) EXPECT_LT(n, total) << "a kill found the work done: " << summary();
        EXPECT_EQ(quarters_reached(total), 4) << summary();
    }
};

class Interrupted : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing_site::testing_windows_build()) GTEST_SKIP() << "the Windows filer's case runs on its own";
        if (std::system("command -v strace >/dev/null 2>&1") != 0) GTEST_SKIP() << "the kills are placed by strace";
    }
    void TearDown() override {
        if (!shm_dir.empty()) testing_site::remove_tree(shm_dir);
    }

    // A directory on another file system than the temporary directory.
    std::string other_file_system(const std::string& name) {
        struct stat shm, disk;
        if (::stat("/dev/shm", &shm) != 0 || ::stat(tmp.path().c_str(), &disk) != 0 || shm.st_dev == disk.st_dev)
            return "";
        shm_dir = "/dev/shm/site-kill-" + std::to_string(::getpid());
        return shm_dir + "/" + name;
    }

    // A stamped site with its files in the sent directory.
    Site sent_site(const std::string& name, const std::string& sent_elsewhere, int files, size_t size) {
        const Site site = generate(tmp / name, sent_elsewhere, files, size);
        EXPECT_EQ(run(Program::Stamper, site).status, 0);
        send(site);
        return site;
    }

    // Right after a kill: each original whole under a final name at least
    // once, and no final name holding anything but an original.
    void expect_whole_after_kill(const Site& site, const Fingerprints& originals, int kill) {
        const Fingerprints now = fingerprints(site.files());
        for (const std::string& original : std::set<std::string>(originals.begin(), originals.end()))
            EXPECT_TRUE(now.count(original) > 0) << "lost after kill " << kill;
        for (const std::string& found : now)
            EXPECT_TRUE(originals.count(found) > 0) << "a cut or foreign file after kill " << kill;
    }

    // After a complete rerun: each original exactly once, filed under its
    // own photometer, and nothing else.
    void expect_filed_once(const Site& site, const Fingerprints& originals, int kill) {
        const Tree files = site.files();
        EXPECT_EQ(fingerprints(files), originals) << "lost or doubled after the rerun of kill " << kill;
        for (const auto& [path, content] : files) {
            EXPECT_FALSE(is_temporary(path)) << path << " left after the rerun of kill " << kill;
            const std::string name = path.substr(path.rfind('/') + 1);
            const std::string photometer = photometer_directory(name);
            const std::string place = "base/" + (photometer.empty() ? "wetsensor" : photometer) + "/";
            EXPECT_EQ(path.compare(0, place.size(), place), 0) << path << " after the rerun of kill " << kill;
        }
    }

    // Kills the filer on fresh copies of a site at calls spread over its
    // run, then reruns it.
    void kill_filer_across_its_run(const std::string& sent_elsewhere, bool beside_another_run) {
        // Across file systems every file is copied and flushed to the disk:
        // fewer files keep the run short.
        const int files = sent_elsewhere.empty() ? kFiles : kFiles / 4;
        const auto sent_for = [&](const std::string& name) {
            return sent_elsewhere.empty() ? std::string() : sent_elsewhere + "-" + name;
        };
        // The calls that the kills are placed at, and how many of each an
        // uninterrupted run makes.
        std::vector<const char*> kinds = {kRenames};
        if (!sent_elsewhere.empty()) kinds = {kRenames, kFlushes, kRemovals};
        std::map<const char*, int> calls_made;
        Fingerprints originals;
        for (const char* calls : kinds) {
            const std::string name = std::string("reference-") + (calls == kRenames   ? "renames"
                                                                  : calls == kFlushes ? "flushes"
                                                                                      : "removals");
            const Site reference = sent_site(name, sent_for(name), files, 4096);
            originals = fingerprints(reference.files());
            const testing_site::ProgramRun counted =
                testing_site::run_program(Program::Filer, reference.dir, environment(reference), counting(calls));
            EXPECT_EQ(counted.status, 0);
            calls_made[calls] = counted.calls;
            expect_filed_once(reference, originals, -1);
        }
        Landings landings;
        for (int kill = 0; kill < kKills; ++kill) {
            const std::string name = "kill" + std::to_string(kill);
            const Site site = sent_site(name, sent_for(name), files, 4096);
            const char* calls = kinds[kill % kinds.size()];
            const int call = call_for_kill(kill, kKills, calls_made[calls]);
            testing_site::ProgramRun killed;
            int done = 0;
            if (beside_another_run) {
                testing_site::RunningProgram first(Program::Filer, site.dir, environment(site), killed_at(call, calls));
                // The second starts once the first holds the lock and has
                // begun to move, so that it is the one that waits.
                wait_until_fewer_than(files, site.sent);
                testing_site::RunningProgram second(Program::Filer, site.dir, environment(site));
                killed = first.finish();
                // How far the first had got, by the calls it had made: the
                // second run then finishes the work.
                done = static_cast<int>(static_cast<long long>(files) * call / calls_made[calls]);
                const testing_site::ProgramRun other = second.finish();
                EXPECT_EQ(other.status, 0);
                EXPECT_EQ(other.output.find("Une autre execution"), std::string::npos) << "gave up too soon";
            } else {
                killed = testing_site::run_program(Program::Filer, site.dir, environment(site), killed_at(call, calls));
                done = files - static_cast<int>(testing_site::names_in(site.sent).size());
            }
            landings.add(killed, done);
            expect_whole_after_kill(site, originals, kill);
            EXPECT_EQ(run(Program::Filer, site).status, 0);
            expect_filed_once(site, originals, kill);
            testing_site::remove_tree(site.dir);
            testing_site::remove_tree(site.sent);
        }
        std::printf("filer killed %s (%d files)\n", landings.summary().c_str(), files);
        landings.expect_spread_over(files);
    }

    testing_site::TempDir tmp;
    std::string shm_dir;
};

TEST_F(Interrupted, KilledStamperLosesNothing) {
    const Site reference = generate(tmp / "reference", "", kFiles, 4096);
    const Fingerprints originals = fingerprints(reference.files());
    const int stampable =
        static_cast<int>(testing_site::names_in(reference.to_send()).size()) - kFiles / 5;  // less the .raw files
    const int renames =
        testing_site::run_program(Program::Stamper, reference.dir, environment(reference), counting(kRenames)).calls;
    Landings landings;
    for (int kill = 0; kill < kKills; ++kill) {
        const Site site = generate(tmp / ("kill" + std::to_string(kill)), "", kFiles, 4096);
        const auto killed = testing_site::run_program(Program::Stamper, site.dir, environment(site),
                                                      killed_at(call_for_kill(kill, kKills, renames), kRenames));
        int stamped = 0;
        for (const std::string& name : testing_site::names_in(site.to_send()))
            stamped += name.find("_Coteau_") != std::string::npos;
        landings.add(killed, stamped);
        expect_whole_after_kill(site, originals, kill);
        ASSERT_EQ(run(Program::Stamper, site).status, 0);
        send(site);
        ASSERT_EQ(run(Program::Filer, site).status, 0);
        expect_filed_once(site, originals, kill);
        testing_site::remove_tree(site.dir);
    }
    std::printf("stamper killed %s\n", landings.summary().c_str());
    landings.expect_spread_over(stampable);
}

TEST_F(Interrupted, KilledFilerLosesNothing) { kill_filer_across_its_run("", false); }

TEST_F(Interrupted, KilledFilerAcrossFileSystemsLosesNothing) {
    const std::string sent = other_file_system("sent");
    if (sent.empty()) GTEST_SKIP() << "no second file system at /dev/shm";
    kill_filer_across_its_run(sent, false);
}

TEST_F(Interrupted, KilledBesideASecondRunLosesNothing) {
    const std::string sent = other_file_system("sent");
    if (sent.empty()) GTEST_SKIP() << "no second file system at /dev/shm";
    kill_filer_across_its_run(sent, true);
}

// The Windows filer under Wine, killed while it copies large files from
// one volume to another.
TEST(InterruptedWindowsFiler, KilledDuringLargeMovesAcrossVolumesLosesNothing) {
    if (!testing_site::testing_windows_build() || testing_site::suite_setting("SITE_TEST_INTERPRETER") == "cmd")
        GTEST_SKIP() << "runs against the Windows build with the built-in interpreter";
    struct stat shm;
    if (::stat("/dev/shm", &shm) != 0) GTEST_SKIP() << "no /dev/shm";
    testing_site::TempDir tmp;
    const std::string shm_dir = "/dev/shm/site-kill-wine-" + std::to_string(::getpid());
    constexpr int kWineKills = 6;
    const std::vector<std::string> names = {"P0300_Coteau_201501010000.K7", "P0300_Coteau_201501010007.K7",
                                            "P0044_Coteau_201501010014.K7"};
    Fingerprints originals;
    std::vector<std::string> contents;
    for (size_t i = 0; i < names.size(); ++i) {
        contents.push_back(sample::filler_bytes(48u << 20, static_cast<std::uint32_t>(i) + 7));
        originals.insert(fingerprint(contents.back()));
    }
    const auto make = [&](const std::string& name) {
        Site site{tmp / name, shm_dir + "/" + name};
        for (const std::string& dir : {site.dir, site.base(), site.to_send(), site.sent}) testing_site::make_dirs(dir);
        const auto shown = testing_site::program_path;
        testing_site::write_file(site.dir + "/path_autok7.txt",
                                 sample::path_config_text(shown(site.base()), shown(site.to_send()), shown(site.sent)));
        for (size_t i = 0; i < names.size(); ++i) testing_site::write_file(site.sent + "/" + names[i], contents[i]);
        return site;
    };
    const auto file = [](const Site& site, long kill_after_us) {
        RunConditions conditions;
        conditions.kill_after_us = kill_after_us;
        return testing_site::run_program(Program::Filer, site.dir, {{"TZ", "UTC"}}, conditions);
    };
    const auto check_filed_once = [&](const Site& site, const std::string& when) {
        const Tree files = site.files();
        EXPECT_EQ(fingerprints(files), originals) << when;
        for (const auto& [path, content] : files) EXPECT_FALSE(is_temporary(path)) << path << " " << when;
        EXPECT_TRUE(testing_site::names_in(site.sent).empty()) << when;
    };

    // The quicker of two uninterrupted runs: Wine's first start in a prefix
    // can take several times as long as the runs that the kills aim at.
    double seconds = 0;
    for (const char* name : {"reference", "reference-again"}) {
        const Site reference = make(name);
        const double run_seconds = file(reference, 0).seconds;
        seconds = seconds == 0 ? run_seconds : std::min(seconds, run_seconds);
        check_filed_once(reference, "uninterrupted");
        // Each site's archive holds three large files: a small disk (a
        // loop image) keeps only the one being tested.
        testing_site::remove_tree(reference.sent);
        testing_site::remove_tree(reference.dir);
    }
    Landings landings;
    KillSchedule schedule(seconds, static_cast<int>(names.size()), kWineKills);
    for (int kill = 0; kill < kWineKills; ++kill) {
        const Site site = make("kill" + std::to_string(kill));
        const long kill_after_us = schedule.kill_after_us(kill);
        const auto killed = file(site, kill_after_us);
        const int done = static_cast<int>(names.size() - testing_site::names_in(site.sent).size());
        landings.add(killed, done);
        schedule.landed(kill_after_us, killed, done);
        const Fingerprints now = fingerprints(site.files());
        for (const std::string& original : originals) EXPECT_TRUE(now.count(original) > 0) << "lost, kill " << kill;
        for (const std::string& found : now) EXPECT_TRUE(originals.count(found) > 0) << "a cut file, kill " << kill;
        EXPECT_EQ(file(site, 0).status, 0);
        check_filed_once(site, "after the rerun of kill " + std::to_string(kill));
        testing_site::remove_tree(site.sent);
        testing_site::remove_tree(site.dir);
    }
    testing_site::remove_tree(shm_dir);
    std::printf("Windows filer under Wine killed %s (uninterrupted run %.2f s)\n", landings.summary().c_str(), seconds);
    EXPECT_GE(landings.mid_run, kWineKills / 2) << landings.summary();
}

// A sent directory on another file system than the archive: /dev/shm
// (memory) against the temporary directory's disk.
class AcrossFileSystems : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing_site::testing_windows_build()) GTEST_SKIP() << "file systems are tested on the native build";
        struct stat shm, disk;
        if (::stat("/dev/shm", &shm) != 0 || ::stat(tmp.path().c_str(), &disk) != 0 || shm.st_dev == disk.st_dev)
            GTEST_SKIP() << "no second file system at /dev/shm";
        sent_dir = "/dev/shm/site-test-sent-" + std::to_string(::getpid());
        testing_site::make_dirs(sent_dir);
        testing_site::make_dirs(tmp / "base");
        testing_site::make_dirs(tmp / "work");
        testing_site::write_file(tmp / "work/path_autok7.txt",
                                 tmp / "base" + "\n" + tmp / "base/aenvoyer" + "\n" + sent_dir + "\n");
        for (const char* name : {"P0300_Coteau_201503011420.K7", "P0300_Coteau_201503011421.K8", "wet_2015_A001.raw"}) {
            const std::string bytes = sample::filler_bytes(256 * 1024, static_cast<unsigned>(originals.size()) + 1);
            testing_site::write_file(sent_dir + "/" + name, bytes);
            originals[name] = bytes;
        }
    }
    void TearDown() override {
        if (!sent_dir.empty()) testing_site::remove_tree(sent_dir);
    }

    // Every regular file under the archive, hidden ones included.
    Tree archive() const { return testing_site::data_files_below(tmp / "base"); }

    testing_site::TempDir tmp;
    std::string sent_dir;
    Tree originals;
};

TEST_F(AcrossFileSystems, CopiesCompletelyThenRemovesTheSource) {
    const auto filed = testing_site::run_program(Program::Filer, tmp / "work", {{"TZ", "UTC"}});
    EXPECT_EQ(filed.status, 0);
    EXPECT_EQ(archive(), (Tree{{"300/2015/P0300_Coteau_201503011420.K7", originals["P0300_Coteau_201503011420.K7"]},
                               {"300/2015/P0300_Coteau_201503011421.K8", originals["P0300_Coteau_201503011421.K8"]},
                               {"wetsensor/A001/wet_2015_A001.raw", originals["wet_2015_A001.raw"]}}))
        << filed.output;
    EXPECT_TRUE(testing_site::names_in(sent_dir).empty());
}

TEST_F(AcrossFileSystems, CopyThatFailsHalfwayLeavesTheSource) {
    // Writes stop at 64 KiB, a quarter of each file, as on a full disk.
    const auto filed = testing_site::run_program(Program::Filer, tmp / "work", {{"TZ", "UTC"}}, {false, 64 * 1024, 0});
    EXPECT_EQ(filed.status, 0);
    EXPECT_NE(filed.output.find("There is not enough space on the disk.\n"), std::string::npos) << filed.output;
    for (const auto& entry : archive()) ADD_FAILURE() << "left in the archive: " << entry.first;
    EXPECT_EQ(testing_site::files_below(sent_dir), originals);
}

// What a run killed during a copy leaves: the record of the move and a
// partial copy under a temporary name. The next run removes the copy and
// files the whole file.
TEST_F(AcrossFileSystems, PartialCopyOfAnInterruptedRunIsReplacedByAWholeOne) {
    testing_site::make_dirs(tmp / "base/300/2015");
    const std::string partial = tmp / "base/300/2015/.P0300_Coteau_201503011420.K7.4321-1.part";
    testing_site::write_file(partial, "partial");
    testing_site::write_file(tmp / "base/brasko-move.txt",
                             "brasko move record 1\n" + sent_dir + "/P0300_Coteau_201503011420.K7\n" +
                                 tmp / "base/300/2015/P0300_Coteau_201503011420.K7\n" + partial + "\n");
    EXPECT_EQ(testing_site::run_program(Program::Filer, tmp / "work", {{"TZ", "UTC"}}).status, 0);
    EXPECT_EQ(testing_site::read_file(tmp / "base/300/2015/P0300_Coteau_201503011420.K7"),
              originals["P0300_Coteau_201503011420.K7"]);
    EXPECT_FALSE(testing_site::exists(partial));
    EXPECT_FALSE(testing_site::exists(tmp / "base/brasko-move.txt"));
}

// Copied, but the sent directory does not let the source go (the filer
// runs as a user who may only read it): the file stays in one place, run
// after run.
TEST_F(AcrossFileSystems, ASourceThatCannotBeDeletedStaysTheOnlyCopy) {
    for (const std::string& dir : {tmp.path(), tmp / "work", tmp / "base"}) ::chmod(dir.c_str(), 0777);
    ::chmod(sent_dir.c_str(), 0555);
    for (int run = 0; run < 2; ++run) {
        const auto filed = testing_site::run_program(Program::Filer, tmp / "work", {{"TZ", "UTC"}}, {true, 0, 0});
        EXPECT_EQ(filed.status, 0);
        EXPECT_NE(filed.output.find("The file was copied but cannot be deleted here: the copy is removed and the file "
                                    "stays where it was.\n"),
                  std::string::npos)
            << filed.output;
        EXPECT_EQ(filed.output.find("        1 file(s) moved."), std::string::npos) << filed.output;
        for (const auto& entry : archive()) ADD_FAILURE() << "left in the archive: " << entry.first;
        EXPECT_EQ(testing_site::files_below(sent_dir), originals);
    }
    ::chmod(sent_dir.c_str(), 0755);
}

// A tolvik run killed between the two steps of a move by link (on a file
// system without an exclusive rename) leaves one file under two names; the
// rerun completes the move.
TEST(InterruptedLinkMove, TheRerunKeepsOneName) {
    if (testing_site::testing_windows_build()) GTEST_SKIP() << "hard links are made natively";
    testing_site::SiteFixture site;
    site.write_site_file(sample::site_file_text("Coteau"));
    site.write_par_with_adr(3);
    site.add_k7("03011420.K7", 0x01, 0x2C, site.par_name(), testing_site::march_1_2015_1420());
    ASSERT_EQ(
        ::link((site.to_send() + "/03011420.K7").c_str(), (site.to_send() + "/P0300_Coteau_201503011420.K7").c_str()),
        0);
    const std::string bytes = testing_site::read_file(site.to_send() + "/03011420.K7");
    const testing_site::ProgramRun run = site.run_stamper();
    EXPECT_NE(run.output.find("The target already held this file: an interrupted move is completed.\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(testing_site::names_in(site.to_send()), std::vector<std::string>{"P0300_Coteau_201503011420.K7"});
    EXPECT_EQ(testing_site::read_file(site.to_send() + "/P0300_Coteau_201503011420.K7"), bytes);
}

}  // namespace
