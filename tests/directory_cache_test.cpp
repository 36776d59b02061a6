#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "common/fs/memory_file_system.h"
#include "common/fs/real_file_system.h"
#include "common/interpreter/directory_cache.h"
#include "common/interpreter/interpreter.h"
#include "tests/support/temp_site.h"

namespace {

using testing_site::TempDir;
using testing_site::write_file;
using Names = std::vector<std::string>;

TEST(DirectoryCache, MatchesThePatternWithoutRegardToCase) {
    TempDir dir;
    for (const char* name : {"p0300_a.k7", "P0300_B.K7", "P0300_c.raw", "P1234_x.K7", "P0300_.K7", "p0300_.k8",
                             "P0300_Coteau_B.K7", "P0300_Coteau_a.K7"})
        write_file(dir / name, "x");
    testing_site::make_dirs(dir / "P0300_dir.K7");
    site::RealFileSystem disk;
    site::DirectoryCache cache(disk);
    EXPECT_EQ(cache.matching_names(dir.path(), "P0300_*.k?", true),
              (Names{"P0300_.K7", "p0300_.k8", "p0300_a.k7", "P0300_B.K7", "P0300_Coteau_a.K7", "P0300_Coteau_B.K7"}));
    EXPECT_EQ(cache.matching_names(dir.path(), "p0300_*.K?", false),
              (Names{"P0300_.K7", "p0300_.k8", "p0300_a.k7", "P0300_B.K7", "P0300_Coteau_a.K7", "P0300_Coteau_B.K7",
                     "P0300_dir.K7"}));
    EXPECT_EQ(cache.matching_names(dir.path(), "*", true)->size(), 8u);
    EXPECT_FALSE(cache.matching_names(dir / "missing", "*", true).has_value());
}

TEST(DirectoryCache, SeesChangesMadeBehindItsBack) {
    TempDir dir;
    write_file(dir / "P0300_a.K7", "x");
    site::RealFileSystem disk;
    site::DirectoryCache cache(disk);
    EXPECT_EQ(cache.matching_names(dir.path(), "P0300_*.k?", true), (Names{"P0300_a.K7"}));
    // The file system's clock may not tick between two changes this close
    // together; the directory's time is set as a later change would leave it.
    write_file(dir / "P0300_b.K7", "x");
    testing_site::set_mtime(dir.path(), std::time(nullptr) + 10);
    EXPECT_EQ(cache.matching_names(dir.path(), "P0300_*.k?", true), (Names{"P0300_a.K7", "P0300_b.K7"}));
    std::remove((dir / "P0300_a.K7").c_str());
    testing_site::set_mtime(dir.path(), std::time(nullptr) + 20);
    EXPECT_EQ(cache.matching_names(dir.path(), "P0300_*.k?", true), (Names{"P0300_b.K7"}));
}

// The interpreter's own moves and renames are in its listings at once, even
// where the directories' times do not change (a clock coarser than the run,
// as FAT's two seconds): every command below leaves them as they were.
TEST(DirectoryCache, FollowsTheInterpretersOwnMoves) {
    TempDir dir;
    testing_site::make_dirs(dir / "sent");
    testing_site::make_dirs(dir / "arch");
    for (const char* name : {"P0300_a.K7", "P0300_b.K7", "P0044_c.K7"}) write_file(dir / "sent/" + name, "12345");
    const std::time_t frozen = std::time(nullptr) - 100;
    site::Trace console;
    site::RealFileSystem disk;
    site::BuiltinInterpreter interpreter(console, disk, dir / "arch");
    const auto run = [&](const site::Command& command) {
        for (const char* directory : {"sent", "arch"}) testing_site::set_mtime(dir / directory, frozen);
        interpreter.run(command);
        for (const char* directory : {"sent", "arch"}) testing_site::set_mtime(dir / directory, frozen);
    };
    run(site::Command::dir());  // the empty archive directory is now known
    run(site::Command::move_matching(dir / "sent/P0300_*.k?", dir / "arch"));
    run(site::Command::move_matching(dir / "sent/P0300_*.k?", dir / "arch"));
    run(site::Command::rename(dir / "arch/P0300_a.K7", "P0300_z.K7"));
    run(site::Command::move(dir / "sent/P0044_c.K7", dir / "arch"));
    run(site::Command::dir());
    const std::string& out = console.text();
    // The second pattern finds nothing left to move.
    const std::string moved_line = dir / "sent/P0300_a.K7\n";
    EXPECT_EQ(out.find(moved_line, out.find(moved_line) + 1), std::string::npos) << out;
    EXPECT_NE(out.find("moved.\nThe system cannot find the file specified.\n"), std::string::npos) << out;
    const size_t last_dir = out.rfind(" Directory of ");
    EXPECT_NE(out.find("5 P0044_c.K7\n", last_dir), std::string::npos) << out;
    EXPECT_NE(out.find("5 P0300_b.K7\n", last_dir), std::string::npos) << out;
    EXPECT_NE(out.find("5 P0300_z.K7\n", last_dir), std::string::npos) << out;
    EXPECT_NE(out.find("3 File(s)             15 bytes", last_dir), std::string::npos) << out;
    EXPECT_EQ(testing_site::names_in(dir / "sent"), Names{});
}

// A move names the directory "dir" lists in another spelling: on a disk
// whose directory times do not change, only the cache's own record of the
// move can show it there.
TEST(DirectoryCache, FollowsAMoveIntoADirectorySpeltOtherwise) {
    const std::string sent = testing_site::native_path("/site/sent");
    const std::string arch = testing_site::native_path("/site/arch");
    site::MemoryFileSystem disk;
    disk.put_file(sent + "/P0300_a.K7", "12345");
    disk.put_file(sent + "/P0300_b.K7", "12345");
    disk.put_directory(arch);
    disk.freeze_directory_times();
    site::Trace console;
    site::BuiltinInterpreter interpreter(console, disk, arch);
    interpreter.run(site::Command::dir());
    interpreter.run(site::Command::move(sent + "/P0300_a.K7", testing_site::native_path("/site/sent/../arch")));
    interpreter.run(site::Command::move_matching(testing_site::native_path("/site/./sent/P0300_*"), arch + "/."));
    interpreter.run(site::Command::dir());
    const std::string& out = console.text();
    const size_t last_dir = out.rfind(" Directory of ");
    EXPECT_NE(out.find("5 P0300_a.K7\n", last_dir), std::string::npos) << out;
    EXPECT_NE(out.find("5 P0300_b.K7\n", last_dir), std::string::npos) << out;
    EXPECT_NE(out.find("2 File(s)             10 bytes", last_dir), std::string::npos) << out;
}

}  // namespace
