// Runs killed at random moments, and moves across file systems, including
// one that fails halfway: no data file is ever lost, doubled or replaced.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "program_runner.h"
#include "sample_site.h"
#include "temp_site.h"

namespace {

using testing_site::Program;
using Tree = std::map<std::string, std::string>;

constexpr int kKills = 30;
constexpr int kFiles = 2000;

struct Site {
    std::string dir;
    std::string base() const { return dir + "/base"; }
    std::string to_send() const { return dir + "/base/aenvoyer"; }
    std::string sent() const { return dir + "/base/envoye"; }
};

Site generate(const std::string& dir) {
    sample::SiteOptions options;
    options.dir = dir;
    options.files = kFiles;
    options.size = 512;
    return Site{sample::write_sample_site(options)};
}

testing_site::ProgramRun run(Program program, const Site& site, long kill_after_us = 0) {
    return testing_site::run_program(program, site.dir, {{"TZ", "UTC"}, {"ProgramFiles", site.dir + "/Program Files"}},
                                     {false, 0, kill_after_us});
}

void send(const Site& site) {
    for (const std::string& name : testing_site::names_in(site.to_send()))
        ASSERT_EQ(std::rename((site.to_send() + "/" + name).c_str(), (site.sent() + "/" + name).c_str()), 0);
}

// The data files under the base directory, by path.
Tree data_files(const Site& site) {
    return testing_site::data_files_below(site.base());
}

std::multiset<std::string> contents(const Tree& files) {
    std::multiset<std::string> all;
    for (const auto& entry : files) all.insert(entry.second);
    return all;
}

long random_delay_us(std::mt19937& random, double seconds) {
    return 1 + static_cast<long>(std::uniform_real_distribution<double>(0.0, seconds)(random) * 1e6);
}

double timed(Program program, const Site& site) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run(program, site).status, 0);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class Interrupted : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing_site::testing_windows_build()) GTEST_SKIP() << "kills are tested on the native build";
        const Site reference = generate(tmp / "reference");
        originals = contents(data_files(reference));
        stamp_seconds = timed(Program::Stamper, reference);
        send(reference);
        file_seconds = timed(Program::Filer, reference);
        finished = data_files(reference);
    }

    // After a kill: every original content exactly once under the site.
    void expect_nothing_lost(const Site& site, int kill) {
        EXPECT_EQ(contents(data_files(site)), originals) << "after kill " << kill;
    }

    testing_site::TempDir tmp;
    std::multiset<std::string> originals;
    Tree finished;  // the archive after an uninterrupted cycle
    double stamp_seconds = 0, file_seconds = 0;
    std::mt19937 random{20261208};
};

TEST_F(Interrupted, KilledStamperLosesNothing) {
    int mid_run = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const Site site = generate(tmp / ("stamp" + std::to_string(kill)));
        mid_run += run(Program::Stamper, site, random_delay_us(random, stamp_seconds)).killed;
        expect_nothing_lost(site, kill);
        ASSERT_EQ(run(Program::Stamper, site).status, 0);
        send(site);
        ASSERT_EQ(run(Program::Filer, site).status, 0);
        EXPECT_EQ(data_files(site), finished) << "rerun after kill " << kill;
        testing_site::remove_tree(site.dir);
    }
    std::printf("stamper: %d kills, %d of them during the run\n", kKills, mid_run);
    EXPECT_GE(mid_run, kKills / 2);
}

TEST_F(Interrupted, KilledFilerLosesNothing) {
    int mid_run = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const Site site = generate(tmp / ("file" + std::to_string(kill)));
        ASSERT_EQ(run(Program::Stamper, site).status, 0);
        send(site);
        mid_run += run(Program::Filer, site, random_delay_us(random, file_seconds)).killed;
        expect_nothing_lost(site, kill);
        ASSERT_EQ(run(Program::Filer, site).status, 0);
        EXPECT_EQ(data_files(site), finished) << "rerun after kill " << kill;
        testing_site::remove_tree(site.dir);
    }
    std::printf("filer: %d kills, %d of them during the run\n", kKills, mid_run);
    EXPECT_GE(mid_run, kKills / 2);
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
    Tree archive() const {
        return testing_site::data_files_below(tmp / "base");
    }

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

TEST_F(AcrossFileSystems, PartialCopyOfAnInterruptedRunIsReplacedByAWholeOne) {
    testing_site::make_dirs(tmp / "base/300/2015");
    testing_site::write_file(tmp / "base/300/2015/.P0300_Coteau_201503011420.K7.part", "partial");
    EXPECT_EQ(testing_site::run_program(Program::Filer, tmp / "work", {{"TZ", "UTC"}}).status, 0);
    EXPECT_EQ(testing_site::read_file(tmp / "base/300/2015/P0300_Coteau_201503011420.K7"),
              originals["P0300_Coteau_201503011420.K7"]);
    EXPECT_FALSE(testing_site::exists(tmp / "base/300/2015/.P0300_Coteau_201503011420.K7.part"));
}

}  // namespace
