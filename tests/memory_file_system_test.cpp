// The in-memory file system: over a real directory it reads and never
// writes, and it moves as the real one does for what a pass can see.
#include "common/fs/memory_file_system.h"
#include "common/fs/paths.h"
#include "common/fs/real_file_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_site.h"
#include "tests/support/test_platform.h"

namespace {

using site::MoveOutcome;

// A name that stands in a root keeps the whole root as its directory: a
// drive's "C:\\" is not "C:", its current directory.
TEST(Paths, SplitKeepsTheRootWhole) {
    struct Case {
        std::string path, directory, name;
    };
    const std::vector<Case> windows = {{"C:\\x.K7", "C:\\", "x.K7"},
                                       {"C:\\a\\x.K7", "C:\\a", "x.K7"},
                                       {"C:/a/x.K7", "C:/a", "x.K7"},
                                       {"C:x.K7", "C:", "x.K7"},
                                       {"\\\\server\\share\\x.K7", "\\\\server\\share\\", "x.K7"},
                                       {"\\\\server\\share\\a\\x.K7", "\\\\server\\share\\a", "x.K7"},
                                       {"\\x.K7", "\\", "x.K7"},
                                       {"a\\x.K7", "a", "x.K7"},
                                       {"x.K7", "", "x.K7"}};
    const std::vector<Case> posix = {{"/x.K7", "/", "x.K7"},
                                     {"/a/x.K7", "/a", "x.K7"},
                                     {"a/x.K7", "a", "x.K7"},
                                     {"x.K7", "", "x.K7"},
                                     {"a\\x.K7", "", "a\\x.K7"}};
    const std::vector<Case>& cases = site::kPathSeparator == '\\' ? windows : posix;
    for (const Case& c : cases) {
        const site::SplitPath split = site::split_path(c.path);
        EXPECT_EQ(split.directory, c.directory) << c.path;
        EXPECT_EQ(split.name, c.name) << c.path;
    }
}

TEST(MemoryFileSystem, OverARealDirectoryItReadsAndNeverWrites) {
    testing_site::TempDir dir;
    testing_site::make_dirs(dir / "a/sub");
    testing_site::write_file(dir / "a/one.K7", "one");
    testing_site::write_file(dir / "a/sub/two.K7", "two");
    const auto before = testing_site::files_below(dir.path());
    site::RealFileSystem disk;
    site::MemoryFileSystem fs(&disk);

    EXPECT_EQ(fs.read(dir / "a/one.K7").bytes, "one");
    EXPECT_EQ(fs.move(dir / "a/one.K7", dir / "a/sub/one.K7"), MoveOutcome::Moved);
    EXPECT_EQ(fs.move(dir / "a/sub", dir / "moved"), MoveOutcome::Moved);
    EXPECT_TRUE(fs.make_directory(dir / "new"));
    EXPECT_EQ(fs.write_whole(dir / "new/list.txt", "x"), site::FsStatus::Ok);
    fs.discard(dir / "moved/two.K7");

    EXPECT_EQ(fs.read(dir / "moved/one.K7").bytes, "one");
    EXPECT_FALSE(fs.info(dir / "moved/two.K7"));
    EXPECT_FALSE(fs.info(dir / "a/sub"));
    EXPECT_EQ(fs.moved_from_below().at(site::path_key(dir / "a/one.K7")), dir / "moved/one.K7");
    EXPECT_EQ(fs.removed_from_below().count(site::path_key(dir / "a/sub/two.K7")), 1u);
    EXPECT_EQ(testing_site::files_below(dir.path()), before);
    EXPECT_FALSE(testing_site::exists(dir / "new"));
}

// A directory reached under two spellings below (here a link to it) is one
// directory in memory too: a move from the one to the other finds the file
// itself, as the disk does, not a second copy to remove.
TEST(MemoryFileSystem, ADirectoryUnderTwoSpellingsIsOne) {
    SKIP_WITHOUT_POSIX_ONLY_ENTRIES();
    testing_site::TempDir dir;
    testing_site::make_dirs(dir / "archive");
    testing_site::write_file(dir / "archive/one.K7", "one");
    ASSERT_TRUE(testing_site::make_symbolic_link(dir / "archive", dir / "sent"));
    site::RealFileSystem disk;
    site::MemoryFileSystem memory(&disk);
    EXPECT_EQ(memory.move(dir / "sent/one.K7", dir / "archive/one.K7"), MoveOutcome::SameFile);
    EXPECT_EQ(memory.read(dir / "archive/one.K7").bytes, "one");
    EXPECT_TRUE(memory.removed_from_below().empty());
    EXPECT_EQ(disk.move(dir / "sent/one.K7", dir / "archive/one.K7"), MoveOutcome::SameFile);
    EXPECT_EQ(testing_site::read_file(dir / "archive/one.K7"), "one");
    // Nor does a directory go into itself under its other spelling.
    ASSERT_TRUE(memory.list(dir / "sent"));
    EXPECT_NE(memory.move(dir / "archive", dir / "sent/inside"), MoveOutcome::Moved);
    EXPECT_NE(disk.move(dir / "archive", dir / "sent/inside"), MoveOutcome::Moved);
    EXPECT_EQ(memory.read(dir / "sent/one.K7").bytes, "one");
}

// The same moves on the disk and in memory give the same outcomes: the dry
// run foretells what the real file system does.
TEST(MemoryFileSystem, MovesAsTheDiskDoes) {
    struct Case {
        const char* what;
        std::string target;
        MoveOutcome outcome;
        bool source_stays;
    };
    const std::vector<Case> cases = {
        {"onto other bytes", "d/other", MoveOutcome::TargetExists, true},
        {"onto the same bytes: the remainder of a move", "d/same", MoveOutcome::Completed, false},
        {"into a missing directory", "none/file", MoveOutcome::SourceMissing, true},
        {"onto itself", "s/file", MoveOutcome::TargetExists, true},
        {"to a free name", "d/free", MoveOutcome::Moved, false},
        {"to a name longer than a file system holds", "d/" + std::string(256, 'n'), MoveOutcome::NameTooLong, true},
    };
    for (const Case& c : cases) {
        testing_site::TempDir dir;
        site::RealFileSystem disk;
        site::MemoryFileSystem memory;
        for (site::FileSystem* fs : {static_cast<site::FileSystem*>(&disk), static_cast<site::FileSystem*>(&memory)}) {
            const std::string root = fs == &disk ? dir.path() : "/m";
            for (const char* directory : {"", "/s", "/d"}) fs->make_directory(root + directory);
            fs->write_whole(root + "/s/file", "bytes");
            fs->write_whole(root + "/d/other", "other");
            fs->write_whole(root + "/d/same", "bytes");
            const char* which = fs == &disk ? " (disk)" : " (memory)";
            const MoveOutcome outcome = fs->move(root + "/s/file", root + "/" + c.target);
            // Wine, over a POSIX disk, says such a path is not found;
            // Windows says the name is too long (its error 206), as the
            // disk in memory does.
            if (fs == &disk && c.outcome == MoveOutcome::NameTooLong && site::kPathSeparator == '\\')
                EXPECT_EQ(outcome, MoveOutcome::SourceMissing) << c.what << which;
            else
                EXPECT_EQ(outcome, c.outcome) << c.what << which;
            EXPECT_EQ(fs->info(root + "/s/file").has_value(), c.source_stays) << c.what << which;
            EXPECT_EQ(fs->read(root + "/d/other").bytes, "other") << c.what << which;
        }
    }
}

// A file that opens but cannot be read is not taken for an empty one.
TEST(RealFileSystem, AFileThatCannotBeReadIsNotReadAsEmpty) {
    if (!testing_site::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc here";
    site::RealFileSystem disk;
    EXPECT_NE(disk.read("/proc/self/mem").status, site::FsStatus::Ok);
}

// A directory's stamp says which directory it is, as the cache of listings
// keys them: the same for every spelling of its path, another for another.
TEST(RealFileSystem, DirectoryStampsTellDirectoriesApart) {
    testing_site::TempDir dir;
    testing_site::make_dirs(dir / "a");
    testing_site::make_dirs(dir / "b");
    testing_site::write_file(dir / "f", "x");
    site::RealFileSystem disk;
    const auto a = disk.directory_stamp(dir / "a");
    ASSERT_TRUE(a && disk.directory_stamp(dir / "b"));
    for (const std::string& same : {dir / "./a", dir / "b/../a", dir / "a/"}) {
        const auto stamp = disk.directory_stamp(same);
        ASSERT_TRUE(stamp) << same;
        EXPECT_TRUE(stamp->same_directory(*a)) << same;
    }
    // Where names are found without regard to case (Windows), so is it.
    if (const auto upper = disk.directory_stamp(dir / "A")) {
        EXPECT_TRUE(upper->same_directory(*a));
    }
    EXPECT_FALSE(disk.directory_stamp(dir / "b")->same_directory(*a));
    // Where two names that differ only in case are two directories (POSIX,
    // and Wine over a POSIX disk), they are two.
    testing_site::make_dirs(dir / "B");
    const auto b = disk.info(dir / "b"), upper_b = disk.info(dir / "B");
    if (b && upper_b && !b->same_file(*upper_b)) {
        EXPECT_FALSE(disk.directory_stamp(dir / "B")->same_directory(*disk.directory_stamp(dir / "b")));
    }
    EXPECT_FALSE(disk.directory_stamp(dir / "f"));
    EXPECT_FALSE(disk.directory_stamp(dir / "missing"));
}

TEST(MemoryFileSystem, DirectoryStampsChangeWithTheirEntries) {
    site::MemoryFileSystem fs;
    fs.put_directory("/d");
    const auto first = fs.directory_stamp("/d");
    fs.put_file("/d/x", "x");
    const auto second = fs.directory_stamp("/d");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->index, second->index);
    EXPECT_FALSE(first->same_time(*second));
    EXPECT_FALSE(fs.directory_stamp("/d/x"));
    EXPECT_FALSE(fs.make_directory("/d/x"));
    EXPECT_EQ(fs.write_whole("/d", "x"), site::FsStatus::AccessDenied);
}

}  // namespace
