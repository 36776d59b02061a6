// The move protocol, step by step: a file system that forces a route
// (across file systems, or without an exclusive rename), puts a fault at a
// call, or stops the process dead at any call, as a kill would.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "file_keeper.h"
#include "temp_site.h"

namespace {

using site::FileKeeper;
using site::FsStatus;
using site::MoveOutcome;
using site::OsFile;
using testing_site::exists;
using testing_site::read_file;
using testing_site::TempDir;
using testing_site::write_file;

// Thrown where the process would have been killed.
struct Killed {};

enum class Route { Rename, AcrossFileSystems, NoExclusiveRename, AcrossWithoutExclusiveRename };

class FaultyDiskCalls : public site::DiskCalls {
public:
    Route route = Route::Rename;
    int kill_at_call = 0;         // 1-based; 0: never
    bool corrupt_writes = false;  // every write reports success but flips a byte
    long long write_limit = -1;   // bytes that fit on the disk; -1: no limit
    std::string undeletable;      // a path whose removal is refused
    std::string lost_answer;      // a path whose removal happens but is reported failed
    std::function<void()> after_copy_placed;  // another program's doing, once the copy has its name

    int calls = 0;

    FsStatus rename_no_replace(const std::string& from, const std::string& to) override {
        step();
        if (route == Route::NoExclusiveRename) return FsStatus::Unsupported;
        if (route == Route::AcrossFileSystems && !is_temporary(from)) return FsStatus::CrossDevice;
        if (route == Route::AcrossWithoutExclusiveRename)
            return is_temporary(from) ? FsStatus::Unsupported : FsStatus::CrossDevice;
        return DiskCalls::rename_no_replace(from, to);
    }
    FsStatus link(const std::string& from, const std::string& to) override {
        step();
        return DiskCalls::link(from, to);
    }
    FsStatus remove(const std::string& path) override {
        step();
        if (path == undeletable) return FsStatus::AccessDenied;
        const FsStatus removed = DiskCalls::remove(path);
        return path == lost_answer ? FsStatus::Failed : removed;
    }
    OsFile create_new(const std::string& path, FsStatus& status) override {
        step();
        return DiskCalls::create_new(path, status);
    }
    FsStatus write(OsFile& file, const char* data, std::size_t size) override {
        step();
        std::string bytes(data, size);
        if (corrupt_writes && !bytes.empty()) bytes[bytes.size() / 2] ^= 0x20;
        if (write_limit >= 0) {
            const std::size_t fits = std::min<std::size_t>(size, static_cast<std::size_t>(write_limit));
            write_limit -= static_cast<long long>(fits);
            DiskCalls::write(file, bytes.data(), fits);
            if (fits < size) return FsStatus::NoSpace;
        }
        return DiskCalls::write(file, bytes.data(), bytes.size());
    }
    FsStatus flush(OsFile& file) override {
        step();
        return DiskCalls::flush(file);
    }
    void flush_directory(const std::string& path) override {
        step();
        DiskCalls::flush_directory(path);
        if (after_copy_placed) std::exchange(after_copy_placed, nullptr)();
    }

private:
    static bool is_temporary(const std::string& path) {
        return path.size() > 5 && (path.compare(path.size() - 5, 5, ".part") == 0 ||
                                   path.compare(path.size() - 4, 4, ".new") == 0);
    }
    void step() {
        if (++calls == kill_at_call) throw Killed();
    }
};

class FileKeeperTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_site::make_dirs(dir / "sent");
        testing_site::make_dirs(dir / "archive");
        write_file(from, content);
    }

    // Everything in the two directories but the journal: the data files
    // and whatever temporaries are left.
    std::vector<std::string> left_over() const {
        std::vector<std::string> names;
        for (const char* sub : {"sent", "archive"})
            for (const std::string& name : testing_site::names_in(dir / sub)) names.push_back(sub + ("/" + name));
        return names;
    }

    TempDir dir;
    const std::string from = dir / "sent/P0300_Coteau_2015.K7";
    const std::string to = dir / "archive/P0300_Coteau_2015.K7";
    const std::string journal = dir / "move.txt";
    const std::string content = std::string(200000, 'k') + "end of the data";
};

TEST_F(FileKeeperTest, ExclusiveRenameNeverReplaces) {
    write_file(to, "another file");
    EXPECT_EQ(site::rename_no_replace(from, to), FsStatus::Exists);
    EXPECT_EQ(read_file(to), "another file");
    EXPECT_EQ(read_file(from), content);
    ::symlink("nowhere", (dir / "dangling").c_str());
    EXPECT_EQ(site::rename_no_replace(from, dir / "dangling"), FsStatus::Exists);
    EXPECT_EQ(site::rename_no_replace(dir / "sent/missing", dir / "archive/x"), FsStatus::NotFound);
    EXPECT_EQ(site::rename_no_replace(from, dir / "archive/new"), FsStatus::Ok);
    EXPECT_EQ(read_file(dir / "archive/new"), content);
}

// Every route, killed at each of its calls in turn: before the rerun the
// file is whole under one of its names at least, and never cut under the
// target's; after the next run's recovery and move it is at the target
// alone, with nothing else left.
TEST_F(FileKeeperTest, KilledAtAnyStepTheNextRunFinishesTheMove) {
    for (Route route :
         {Route::Rename, Route::AcrossFileSystems, Route::NoExclusiveRename, Route::AcrossWithoutExclusiveRename}) {
        for (int kill_at = 1;; ++kill_at) {
            SCOPED_TRACE("route " + std::to_string(static_cast<int>(route)) + ", killed at call " +
                         std::to_string(kill_at));
            testing_site::remove_tree(dir / "sent");
            testing_site::remove_tree(dir / "archive");
            SetUp();
            FaultyDiskCalls fs;
            fs.route = route;
            fs.kill_at_call = kill_at;
            FileKeeper keeper(fs);
            keeper.keep_journal(journal);
            bool killed = false;
            try {
                EXPECT_EQ(keeper.move(from, to), MoveOutcome::Moved);
            } catch (const Killed&) {
                killed = true;
            }
            ASSERT_TRUE(exists(from) || exists(to));
            EXPECT_TRUE(!exists(to) || read_file(to) == content) << "a cut file under the target's name";
            EXPECT_TRUE(!exists(from) || read_file(from) == content);

            FaultyDiskCalls rerun_fs;
            rerun_fs.route = route;
            FileKeeper rerun(rerun_fs);
            rerun.keep_journal(journal);
            rerun.recover_recorded_move();
            // Recovered before anything else: the source may now go
            // elsewhere, so it must not also stay at the old target.
            EXPECT_FALSE(exists(from) && exists(to));
            if (exists(from)) {
                EXPECT_EQ(rerun.move(from, to), MoveOutcome::Moved);
            }
            EXPECT_EQ(left_over(), std::vector<std::string>{"archive/P0300_Coteau_2015.K7"});
            EXPECT_EQ(read_file(to), content);
            EXPECT_FALSE(exists(journal));
            if (!killed) break;
        }
    }
}

// What others do meanwhile: the file written to or replaced while it was
// copied, its removal reported failed though it happened, a name of the
// temporaries' form already taken.
TEST_F(FileKeeperTest, WhatOthersDoMeanwhileLosesNothing) {
    FaultyDiskCalls fs;
    fs.route = Route::AcrossFileSystems;
    fs.after_copy_placed = [&] { write_file(from, content + " and more"); };
    EXPECT_EQ(FileKeeper(fs).move(from, to), MoveOutcome::CopyDiffers);
    EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});

    fs.after_copy_placed = [&] {
        write_file(dir / "sent/new", "version 2");
        ASSERT_EQ(::rename((dir / "sent/new").c_str(), from.c_str()), 0);
    };
    EXPECT_EQ(FileKeeper(fs).move(from, to), MoveOutcome::SourceChanged);
    EXPECT_EQ(read_file(from), "version 2");
    EXPECT_EQ(read_file(to), content + " and more");

    testing_site::remove_tree(to);
    fs.lost_answer = from;
    EXPECT_EQ(FileKeeper(fs).move(from, to), MoveOutcome::Moved);
    EXPECT_EQ(left_over(), std::vector<std::string>{"archive/P0300_Coteau_2015.K7"});

    write_file(from, content);
    testing_site::remove_tree(to);
    const std::string taken = dir / ("archive/.P0300_Coteau_2015.K7." + std::to_string(::getpid()) + "-1.part");
    write_file(taken, "not ours");
    EXPECT_EQ(FileKeeper(fs).move(from, to), MoveOutcome::Moved);
    EXPECT_EQ(read_file(taken), "not ours");
    EXPECT_EQ(read_file(to), content);
}

// Only a record of the keeper's own is acted on, and only on a temporary of
// the form it makes.
TEST_F(FileKeeperTest, AJournalThatIsNotARecordIsLeftAlone) {
    write_file(journal, from + "\n" + to + "\n" + from + "\n");
    FileKeeper keeper;
    keeper.keep_journal(journal);
    EXPECT_EQ(keeper.recover_recorded_move(), std::nullopt);
    EXPECT_EQ(read_file(from), content);
    EXPECT_TRUE(exists(journal));

    write_file(journal, "brasko move record 1\n" + from + "\n" + to + "\n" + from + "\n");
    FileKeeper next_run;
    next_run.keep_journal(journal);
    EXPECT_EQ(next_run.recover_recorded_move(), std::nullopt);
    EXPECT_EQ(read_file(from), content);
    EXPECT_FALSE(exists(journal));
}

// A run stopped once the copy had its name, and a source that the next run
// cannot delete either: the copy goes, the file stays in one place.
TEST_F(FileKeeperTest, ARecoveredMoveWhoseSourceCannotGoKeepsOnePlace) {
    write_file(to, content);
    write_file(journal, "brasko move record 1\n" + from + "\n" + to + "\n\n");
    FaultyDiskCalls fs;
    fs.undeletable = from;
    FileKeeper keeper(fs);
    keeper.keep_journal(journal);
    EXPECT_EQ(keeper.recover_recorded_move(), std::nullopt);
    EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});
}

TEST_F(FileKeeperTest, ACopyThatReadsBackDifferentIsRemoved) {
    FaultyDiskCalls fs;
    fs.route = Route::AcrossFileSystems;
    fs.corrupt_writes = true;
    EXPECT_EQ(FileKeeper(fs).move(from, to), MoveOutcome::CopyDiffers);
    EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});
    EXPECT_EQ(read_file(from), content);
}

TEST_F(FileKeeperTest, AFullDiskLeavesTheSourceAlone) {
    FaultyDiskCalls fs;
    fs.route = Route::AcrossFileSystems;
    fs.write_limit = 65536;
    EXPECT_EQ(FileKeeper(fs).move(from, to), MoveOutcome::NoSpace);
    EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});
    EXPECT_EQ(read_file(from), content);
}

TEST_F(FileKeeperTest, ASourceThatCannotBeDeletedKeepsTheFileInOnePlace) {
    for (Route route : {Route::AcrossFileSystems, Route::NoExclusiveRename}) {
        FaultyDiskCalls fs;
        fs.route = route;
        fs.undeletable = from;
        EXPECT_EQ(FileKeeper(fs).move(from, to), MoveOutcome::SourceKept);
        EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});
        EXPECT_EQ(read_file(from), content);
    }
}

// What stands at the target decides: the remainder of an interrupted move
// is completed, anything else is refused with both files kept.
TEST_F(FileKeeperTest, AnExistingTargetIsCompletedOnlyWhenItIsTheSameFile) {
    struct Case {
        const char* what;
        std::string target;  // content; "=link" for a second name of the source
        MoveOutcome outcome;
    };
    const std::vector<Case> cases = {
        {"same bytes", content, MoveOutcome::Completed},
        {"a second link", "=link", MoveOutcome::Completed},
        {"same size, other bytes", std::string(content).replace(7, 1, "x"), MoveOutcome::TargetExists},
        {"shorter", content.substr(1), MoveOutcome::TargetExists},
        {"empty", "", MoveOutcome::TargetExists},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(from, content);
        testing_site::remove_tree(to);
        if (c.target == "=link")
            ASSERT_EQ(::link(from.c_str(), to.c_str()), 0);
        else
            write_file(to, c.target);
        FileKeeper keeper;
        EXPECT_EQ(keeper.move(from, to), c.outcome);
        EXPECT_EQ(exists(from), c.outcome != MoveOutcome::Completed);
        EXPECT_EQ(read_file(to), c.target == "=link" ? content : c.target);
    }
}

TEST_F(FileKeeperTest, AFileIsNeverTakenForTheRemainderOfItsOwnMove) {
    FileKeeper keeper;
    EXPECT_EQ(keeper.move(from, from), MoveOutcome::TargetExists);
    EXPECT_EQ(keeper.move(from, dir / "sent/./P0300_Coteau_2015.K7"), MoveOutcome::TargetExists);
    ASSERT_EQ(::link(from.c_str(), (dir / "archive/other").c_str()), 0);  // a third name elsewhere
    EXPECT_EQ(keeper.move(from, dir / "sent/./P0300_Coteau_2015.K7"), MoveOutcome::TargetExists);
    EXPECT_EQ(read_file(from), content);
}

TEST_F(FileKeeperTest, WritesWholeFilesAndNeverThroughALink) {
    FileKeeper keeper;
    const std::string listing = dir / "archive/dirk7.txt";
    ASSERT_EQ(::symlink(from.c_str(), listing.c_str()), 0);
    EXPECT_EQ(keeper.write_whole(listing, "a\r\nb\r\n"), FsStatus::Ok);
    EXPECT_EQ(read_file(listing), "a\r\nb\r\n");
    EXPECT_EQ(read_file(from), content);

    FaultyDiskCalls full;
    full.write_limit = 3;
    EXPECT_EQ(FileKeeper(full).write_whole(listing, "a\r\nb\r\n"), FsStatus::NoSpace);
    EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});
}

}  // namespace
