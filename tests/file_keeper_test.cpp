// The move protocol, step by step: a file system that forces a route
// (across file systems, or without an exclusive rename), that sees names
// without regard to case as exFAT does, puts a fault at a call, stops the
// process dead at any call, as a kill would, or loses what was not flushed,
// as a power cut would.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/base/ascii.h"
#include "common/fs/file_keeper.h"
#include "common/fs/paths.h"
#include "common/fs/run_lock.h"
#include "common/platform/platform.h"
#include "tests/support/temp_site.h"
#include "tests/support/test_platform.h"

namespace {

using site::FileKeeper;
using site::FsStatus;
using site::MoveOutcome;
using testing_site::exists;
using testing_site::read_file;
using testing_site::TempDir;
using testing_site::write_file;

// Thrown where the process would have been killed.
struct Killed {};

enum class Route { Rename, AcrossFileSystems, NoExclusiveRename, AcrossWithoutExclusiveRename };

class FaultyDiskCalls : public site::PlatformDiskCalls {
public:
    Route route = Route::Rename;
    bool case_blind = false;                   // a name finds the entry spelled in any case, as on exFAT
    int kill_at_call = 0;                      // 1-based; 0: never
    bool corrupt_writes = false;               // every write reports success but flips a byte
    long long write_limit = -1;                // bytes that fit on the disk; -1: no limit
    std::string undeletable;                   // a path whose removal is refused
    std::string lost_answer;                   // a path whose removal happens but is reported failed
    std::function<void()> after_copy_placed;   // another program's doing, once the copy has its name
    std::vector<std::string> refused_targets;  // names that a rename onto them finds taken
    std::string unreadable;                    // a path that this account cannot open

    int calls = 0;

    std::optional<site::FileInfo> info(const std::string& path) override {
        std::optional<site::FileInfo> info = PlatformDiskCalls::info(actual(path));
        // exfat-fuse gives each spelling of a name an inode number of its own.
        if (info && case_blind) info->index = std::hash<std::string>()(path);
        return info;
    }
    site::DiskFilePtr open_regular(const std::string& path, FsStatus& status) override {
        if (path == unreadable) {
            status = FsStatus::AccessDenied;
            return nullptr;
        }
        return PlatformDiskCalls::open_regular(actual(path), status);
    }
    FsStatus rename_no_replace(const std::string& from, const std::string& to) override {
        step();
        if (is_refused(to)) return FsStatus::Exists;
        if (route == Route::NoExclusiveRename || case_blind) return FsStatus::Unsupported;
        if (route == Route::AcrossFileSystems && crosses(from, to)) return FsStatus::CrossDevice;
        if (route == Route::AcrossWithoutExclusiveRename)
            return crosses(from, to) ? FsStatus::CrossDevice : FsStatus::Unsupported;
        if (from == undeletable) return FsStatus::AccessDenied;
        return changed_names(PlatformDiskCalls::rename_no_replace(from, to), {from, to});
    }
    FsStatus rename_replacing(const std::string& from, const std::string& to) override {
        step();
        if (is_refused(to)) return FsStatus::Exists;
        if (route == Route::AcrossWithoutExclusiveRename && crosses(from, to)) return FsStatus::CrossDevice;
        if (from == undeletable) return FsStatus::AccessDenied;
        return changed_names(PlatformDiskCalls::rename_replacing(actual(from), actual(to)), {from, to});
    }
    FsStatus remove(const std::string& path) override {
        step();
        if (path == undeletable) return FsStatus::AccessDenied;
        if (is_journal(path) && exists(path)) expect_names_flushed();
        const FsStatus removed = changed_names(PlatformDiskCalls::remove(actual(path)), {path});
        return path == lost_answer ? FsStatus::Failed : removed;
    }
    site::DiskFilePtr create_new(const std::string& path, FsStatus& status) override {
        step();
        if (is_journal(path)) unflushed.clear();
        return PlatformDiskCalls::create_new(actual(path), status);
    }
    FsStatus write(site::DiskFile& file, const char* data, std::size_t size) override {
        step();
        std::string bytes(data, size);
        if (corrupt_writes && !bytes.empty()) bytes[bytes.size() / 2] ^= 0x20;
        if (write_limit >= 0) {
            const std::size_t fits = std::min<std::size_t>(size, static_cast<std::size_t>(write_limit));
            write_limit -= static_cast<long long>(fits);
            PlatformDiskCalls::write(file, bytes.data(), fits);
            if (fits < size) return FsStatus::NoSpace;
        }
        return PlatformDiskCalls::write(file, bytes.data(), bytes.size());
    }
    FsStatus flush(site::DiskFile& file) override {
        step();
        return PlatformDiskCalls::flush(file);
    }
    void flush_directory(const std::string& path) override {
        step();
        PlatformDiskCalls::flush_directory(path);
        unflushed.erase(path);
        if (after_copy_placed) std::exchange(after_copy_placed, nullptr)();
    }

    // The directories whose names changed under the record that stands and
    // were not flushed since. A record goes only when every change it
    // covered is on the disk: after a power cut, a name change that was
    // lost with no record left to name it (a put-back, most of all) would
    // leave a file under a temporary's name.
    std::set<std::string> unflushed;

private:
    static bool is_journal(const std::string& path) { return site::split_path(path).name == "move.txt"; }
    void expect_names_flushed() {
        for (const std::string& directory : unflushed)
            ADD_FAILURE() << "the record goes before a change of names in " << directory << " is on the disk";
    }
    FsStatus changed_names(FsStatus status, std::initializer_list<std::string> paths) {
        if (status == FsStatus::Ok)
            for (const std::string& path : paths)
                if (!is_journal(path)) unflushed.insert(site::split_path(path).directory);
        return status;
    }
    bool is_refused(const std::string& to) const {
        return std::find(refused_targets.begin(), refused_targets.end(), to) != refused_targets.end();
    }

    // On a case-blind file system, the spelling on the disk of the entry
    // that `path` finds.
    std::string actual(const std::string& path) const {
        const std::size_t slash = last_separator(path);
        if (!case_blind || slash == std::string::npos) return path;
        for (const std::string& name : testing_site::names_in(path.substr(0, slash)))
            if (site::lower_ascii(name) == site::lower_ascii(path.substr(slash + 1)))
                return path.substr(0, slash + 1) + name;
        return path;
    }
    // The test's two directories stand for two file systems.
    static bool crosses(const std::string& from, const std::string& to) {
        return from.substr(0, last_separator(from)) != to.substr(0, last_separator(to));
    }
    static std::size_t last_separator(const std::string& path) {
        for (std::size_t i = path.size(); i-- > 0;)
            if (site::is_path_separator(path[i])) return i;
        return std::string::npos;
    }
    void step() {
        if (++calls == kill_at_call) throw Killed();
    }
};

// Records every change the protocol makes, so that a power cut can be put
// after any of them: what the disk then holds is what was flushed. A file's
// data is there up to its last flush; the changes to names are kept in
// their order, all those before the last flush of any file or directory (a
// journaling file system commits them together) and any number of the
// later ones.
class PowerCutDiskCalls : public FaultyDiskCalls {
public:
    enum class Kind { Name, Data, Flush };
    struct Change {
        Kind kind;
        std::function<void(std::map<std::string, std::uint64_t>&)> rename;  // for Name
        std::uint64_t file = 0;                                             // for Data, Flush
        std::string bytes;                                                  // for Data
    };
    std::vector<Change> changes;

    site::DiskFilePtr create_new(const std::string& path, FsStatus& status) override {
        site::DiskFilePtr file = FaultyDiskCalls::create_new(path, status);
        if (file) {
            const std::uint64_t index = file->info()->index;
            name_change([=](auto& names) { names[path] = index; });
        }
        return file;
    }
    FsStatus write(site::DiskFile& file, const char* data, std::size_t size) override {
        const FsStatus status = FaultyDiskCalls::write(file, data, size);
        changes.push_back({Kind::Data, nullptr, file.info()->index, std::string(data, size)});
        return status;
    }
    FsStatus flush(site::DiskFile& file) override {
        const FsStatus status = FaultyDiskCalls::flush(file);
        changes.push_back({Kind::Flush, nullptr, file.info()->index, ""});
        return status;
    }
    void flush_directory(const std::string& path) override {
        FaultyDiskCalls::flush_directory(path);
        changes.push_back({Kind::Flush, nullptr, 0, ""});
    }
    FsStatus rename_no_replace(const std::string& from, const std::string& to) override {
        return renamed(from, to, FaultyDiskCalls::rename_no_replace(from, to));
    }
    FsStatus rename_replacing(const std::string& from, const std::string& to) override {
        return renamed(from, to, FaultyDiskCalls::rename_replacing(from, to));
    }
    FsStatus remove(const std::string& path) override {
        const FsStatus status = FaultyDiskCalls::remove(path);
        if (status == FsStatus::Ok) name_change([=](auto& names) { names.erase(path); });
        return status;
    }

    // What the disk holds after a cut once `cut` changes were made, of
    // which the first `names_kept` changes of names survived, starting from
    // `names` (path to file) and `data` (file to bytes). False when
    // `names_kept` is fewer than the last flush keeps.
    bool after_cut(std::size_t cut, std::size_t names_kept, std::map<std::string, std::uint64_t>& names,
                   std::map<std::uint64_t, std::string>& data) const {
        std::size_t name_changes = 0, flushed_names = 0;
        std::map<std::uint64_t, std::string> written = data;
        for (std::size_t i = 0; i < cut; ++i) {
            const Change& change = changes[i];
            if (change.kind == Kind::Name && ++name_changes <= names_kept) change.rename(names);
            if (change.kind == Kind::Data) written[change.file] += change.bytes;
            if (change.kind == Kind::Flush) {
                flushed_names = name_changes;
                if (change.file != 0) data[change.file] = written[change.file];
            }
        }
        return names_kept >= flushed_names && names_kept <= name_changes;
    }

private:
    void name_change(std::function<void(std::map<std::string, std::uint64_t>&)> rename) {
        changes.push_back({Kind::Name, std::move(rename), 0, ""});
    }
    FsStatus renamed(const std::string& from, const std::string& to, FsStatus status) {
        if (status == FsStatus::Ok)
            name_change([=](auto& names) {
                names[to] = names[from];
                names.erase(from);
            });
        return status;
    }
};

class FileKeeperTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_site::make_dirs(dir / "sent");
        testing_site::make_dirs(dir / "archive");
        write_file(from, content);
    }
    void fresh_site() {
        testing_site::remove_tree(dir / "sent");
        testing_site::remove_tree(dir / "archive");
        testing_site::remove_tree(journal);
        SetUp();
    }

    // Everything in the two directories but the journal: the data files
    // and whatever temporaries are left.
    std::vector<std::string> left_over() const {
        std::vector<std::string> names;
        for (const char* sub : {"sent", "archive"})
            for (const std::string& name : testing_site::names_in(dir / sub)) names.push_back(sub + ("/" + name));
        return names;
    }
    // Whether some name in the two directories, a temporary or an aside
    // name perhaps, holds the file whole.
    bool whole_somewhere() const {
        const std::vector<std::string> names = left_over();
        return std::any_of(names.begin(), names.end(),
                           [&](const std::string& name) { return read_file(dir / name) == content; });
    }
    // Two entries, not one that a case-blind disk shows under both names.
    static bool two_entries(const std::string& a, const std::string& b) {
        const std::optional<site::FileInfo> first = site::file_info(a), second = site::file_info(b);
        return first && second && !first->same_file(*second);
    }
    std::vector<site::MoveArea> site() const { return {{dir / "sent", 0}, {dir / "archive", 0}}; }
    // Every file in the site and beside it, with its bytes; the journal
    // and what it was set aside as apart.
    std::map<std::string, std::string> files_in_site() const {
        std::map<std::string, std::string> files;
        for (const char* sub : {"sent", "archive", "docs"})
            for (const auto& [path, bytes] : testing_site::files_below(dir / sub)) files[sub + ("/" + path)] = bytes;
        return files;
    }

    TempDir dir;
    const std::string from = dir / "sent/P0300_Coteau_2015.K7";
    const std::string to = dir / "archive/P0300_Coteau_2015.K7";
    const std::string journal = dir / "move.txt";
    const std::string listing = dir / "archive/dirk7.txt";
    const std::string content = std::string(200000, 'k') + "end of the data";
};

TEST_F(FileKeeperTest, ExclusiveRenameNeverReplaces) {
    write_file(to, "another file");
    EXPECT_EQ(site::rename_no_replace(from, to), FsStatus::Exists);
    EXPECT_EQ(read_file(to), "another file");
    EXPECT_EQ(read_file(from), content);
    if (testing_site::kPosixOnlyEntries) {
        ASSERT_TRUE(testing_site::make_symbolic_link("nowhere", dir / "dangling"));
        EXPECT_EQ(site::rename_no_replace(from, dir / "dangling"), FsStatus::Exists);
    }
    EXPECT_EQ(site::rename_no_replace(dir / "sent/missing", dir / "archive/x"), FsStatus::NotFound);
    EXPECT_EQ(site::rename_no_replace(from, dir / "archive/new"), FsStatus::Ok);
    EXPECT_EQ(read_file(dir / "archive/new"), content);
}

// The moves the protocol makes: each route, and a change of case only on a
// file system that sees names without regard to case.
struct MoveRoute {
    const char* what;
    Route route;
    bool case_blind;
    const char* target;  // relative to the test's directory
};
const std::vector<MoveRoute> kMoveRoutes = {
    {"one rename", Route::Rename, false, "archive/P0300_Coteau_2015.K7"},
    {"across file systems", Route::AcrossFileSystems, false, "archive/P0300_Coteau_2015.K7"},
    {"without an exclusive rename", Route::NoExclusiveRename, false, "archive/P0300_Coteau_2015.K7"},
    {"across, then without", Route::AcrossWithoutExclusiveRename, false, "archive/P0300_Coteau_2015.K7"},
    {"a change of case, case-blind", Route::Rename, true, "sent/P0300_COTEAU_2015.K7"},
};

// Every route, killed at each of its calls in turn, after a listing was
// written: before the rerun the file is whole under one of its names at
// least, and never cut under the target's, and the listing is whole or
// absent; after the next run's recovery and move the file is at the target
// alone, with nothing else left.
TEST_F(FileKeeperTest, KilledAtAnyStepTheNextRunFinishesTheMove) {
    for (const MoveRoute& route : kMoveRoutes) {
        const std::string target = dir / route.target;
        for (int kill_at = 1;; ++kill_at) {
            SCOPED_TRACE(std::string(route.what) + ", killed at call " + std::to_string(kill_at));
            fresh_site();
            FaultyDiskCalls fs;
            fs.route = route.route;
            fs.case_blind = route.case_blind;
            fs.kill_at_call = kill_at;
            FileKeeper keeper(fs);
            keeper.keep_journal(journal, site());
            bool killed = false;
            try {
                EXPECT_EQ(keeper.write_whole(listing, "P0300_Coteau_2015.K7\r\n"), FsStatus::Ok);
                EXPECT_EQ(keeper.move(from, target), MoveOutcome::Moved);
            } catch (const Killed&) {
                killed = true;
            }
            ASSERT_TRUE(whole_somewhere()) << "the file is lost";
            EXPECT_TRUE(!exists(target) || read_file(target) == content) << "a cut file under the target's name";
            EXPECT_TRUE(!exists(from) || read_file(from) == content);
            EXPECT_TRUE(!exists(listing) || read_file(listing) == "P0300_Coteau_2015.K7\r\n") << "a cut listing";

            FaultyDiskCalls rerun_fs;
            rerun_fs.route = route.route;
            rerun_fs.case_blind = route.case_blind;
            FileKeeper rerun(rerun_fs);
            rerun.keep_journal(journal, site());
            EXPECT_EQ(rerun.recover_recorded_move().set_aside, "");
            // Recovered before anything else: the source may now go
            // elsewhere, so it must not also stay at the old target.
            EXPECT_FALSE(two_entries(from, target));
            EXPECT_EQ(rerun.write_whole(listing, "P0300_Coteau_2015.K7\r\n"), FsStatus::Ok);
            if (exists(from)) {
                EXPECT_EQ(rerun.move(from, target), MoveOutcome::Moved);
            }
            testing_site::remove_tree(listing);
            EXPECT_EQ(left_over(), std::vector<std::string>{route.target});
            EXPECT_EQ(read_file(target), content);
            EXPECT_FALSE(exists(journal));
            if (!killed) break;
        }
    }
}

// The same moves with the power cut after each change they make, and each
// number of the unflushed changes of names lost: the disk is laid out as the
// cut left it, then the next run recovers and moves again. Nothing is lost,
// nothing is there twice, nothing is cut under a final name.
TEST_F(FileKeeperTest, APowerCutAtAnyPointLosesNothing) {
    int cuts = 0;
    for (const MoveRoute& route : kMoveRoutes) {
        if (route.case_blind) continue;
        fresh_site();
        const std::uint64_t source_file = site::file_info(from)->index;
        PowerCutDiskCalls fs;
        fs.route = route.route;
        FileKeeper keeper(fs);
        keeper.keep_journal(journal, site());
        ASSERT_EQ(keeper.move(from, to), MoveOutcome::Moved);
        for (std::size_t cut = 0; cut <= fs.changes.size(); ++cut) {
            for (std::size_t kept = 0; kept <= fs.changes.size(); ++kept) {
                std::map<std::string, std::uint64_t> names = {{from, source_file}};
                std::map<std::uint64_t, std::string> data = {{source_file, content}};
                if (!fs.after_cut(cut, kept, names, data)) continue;
                SCOPED_TRACE(std::string(route.what) + ", cut after change " + std::to_string(cut) + ", " +
                             std::to_string(kept) + " changes of names kept");
                ++cuts;
                testing_site::remove_tree(dir / "sent");
                testing_site::remove_tree(dir / "archive");
                testing_site::make_dirs(dir / "sent");
                testing_site::make_dirs(dir / "archive");
                for (const auto& [path, file] : names) write_file(path, data[file]);
                EXPECT_TRUE(!exists(to) || read_file(to) == content) << "a cut file under the target's name";
                ASSERT_TRUE((exists(from) && read_file(from) == content) || exists(to)) << "the file is lost";

                FaultyDiskCalls rerun_fs;
                rerun_fs.route = route.route;
                FileKeeper rerun(rerun_fs);
                rerun.keep_journal(journal, site());
                EXPECT_EQ(rerun.recover_recorded_move().set_aside, "");
                if (exists(from)) {
                    EXPECT_EQ(rerun.move(from, to), MoveOutcome::Moved);
                }
                EXPECT_EQ(left_over(), std::vector<std::string>{"archive/P0300_Coteau_2015.K7"});
                EXPECT_EQ(read_file(to), content);
                EXPECT_FALSE(exists(journal));
            }
        }
    }
    EXPECT_GT(cuts, 40);
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

    // Rewritten with as many bytes: only its time tells.
    write_file(from, content);
    fs.after_copy_placed = [&] {
        write_file(from, std::string(content).replace(0, 4, "new "));
        testing_site::set_mtime(from, 1500000000);
    };
    EXPECT_EQ(FileKeeper(fs).move(from, to), MoveOutcome::CopyDiffers);
    EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});
    write_file(from, content + " and more");

    fs.after_copy_placed = [&] {
        write_file(dir / "sent/new", "version 2");
        ASSERT_TRUE(testing_site::replace_file(dir / "sent/new", from));
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
    const std::string taken = dir / ("archive/.P0300_Coteau_2015.K7." + std::to_string(site::process_id()) + "-1.part");
    write_file(taken, "not ours");
    EXPECT_EQ(FileKeeper(fs).move(from, to), MoveOutcome::Moved);
    EXPECT_EQ(read_file(taken), "not ours");
    EXPECT_EQ(read_file(to), content);
}

// A file at the journal's name is acted on only when it is a whole record
// of the keeper's own, about paths inside the site and a temporary of the
// exact form the keeper makes, its three names three entries. Anything else
// is set aside, not deleted and not followed, and recording goes on; a
// record cut while it was written covers a move that had not started, and
// goes; a sound record about another site's directories is left for that
// site's run, and this one moves nothing. No file but the record changes.
TEST_F(FileKeeperTest, AJournalThatIsNotASoundRecordIsSetAsideAndRecordingGoesOn) {
    using site::RecordFound;
    const std::string header = "brasko move record 1\n";
    const std::string outside = dir / "docs/my-copy.K7";
    const std::string autosave = dir / "docs/.thesis.odt.autosave.part";
    const std::string pid = std::to_string(site::process_id());
    const std::string aside = dir / ("sent/.P0300_Coteau_2015.K7." + pid + "-1.aside");
    const std::string part = dir / "sent/.P0300_Coteau_2015.K7.1-1.part";
    struct Case {
        const char* what;
        std::function<void()> make;
        RecordFound found;
    };
    const auto record = [&](const std::string& a, const std::string& b, const std::string& c) {
        return [=] { write_file(journal, header + a + "\n" + b + "\n" + c + "\n"); };
    };
    // The only copy of a file under the name that a forged record gives
    // both as its target and as its temporary, or as its source and as its
    // temporary.
    const auto only_copy_at = [&](const std::string& path, std::function<void()> make_record) {
        return [=] {
            testing_site::remove_tree(from);
            write_file(path, content);
            make_record();
        };
    };
    std::vector<Case> cases = {
        {"no header", [&] { write_file(journal, from + "\n" + to + "\n" + from + "\n"); }, RecordFound::NotARecord},
        {"zero-filled, as a power cut may leave it", [&] { write_file(journal, std::string(512, '\0')); },
         RecordFound::NotARecord},
        {"binary",
         [&] {
             write_file(journal,
                        "\x7f"
                        "ELF\x01\x02\xff\xfe garbage\n\n\n\n");
         },
         RecordFound::NotARecord},
        {"a directory", [&] { testing_site::make_dirs(journal); }, RecordFound::NotARecord},
        {"larger than any record",
         [&] {
             write_file(journal, header);
             ASSERT_TRUE(testing_site::set_file_size(journal, 3ULL << 30));
         },
         RecordFound::NotARecord},
        {"a line too many", [&] { write_file(journal, header + from + "\n" + to + "\n\nmore\n"); },
         RecordFound::NotARecord},
        {"a source outside the site with the target's bytes", record(outside, to, ""), RecordFound::OthersRecord},
        {"a source that climbs out of the site", record(dir / "sent/../docs/my-copy.K7", to, ""),
         RecordFound::OthersRecord},
        {"two equal files beside the site", record(dir / "docs/a.lock", dir / "docs/b.lock", ""),
         RecordFound::OthersRecord},
        {"a temporary outside the site", record(dir / "docs/.thesis.odt", dir / "docs/thesis.odt", autosave),
         RecordFound::NotARecord},
        {"a temporary not of the keeper's form", record(from, to, dir / "archive/.P0300_Coteau_2015.K7.x.part"),
         RecordFound::NotARecord},
        {"the source as the temporary", record(from, to, from), RecordFound::NotARecord},
        {"the aside name as its own target", only_copy_at(aside, record(from, aside, aside)), RecordFound::NotARecord},
        {"the source named as its own copy temporary", only_copy_at(part, record(part, from, part)),
         RecordFound::NotARecord},
        {"an aside name in another case as the target",
         only_copy_at(aside, record(from, site::lower_ascii(aside), aside)), RecordFound::NotARecord},
        {"cut while it was written", [&] { write_file(journal, header + from + "\n" + to); }, RecordFound::Cut},
        {"cut after its third line", [&] { write_file(journal, header + from + "\n" + to + "\n"); }, RecordFound::Cut},
        {"empty", [&] { write_file(journal, ""); }, RecordFound::Cut},
    };
    // Where the tests can make them: a FIFO, and a link.
    if (testing_site::kPosixOnlyEntries) {
        cases.push_back({"a FIFO", [&] { ASSERT_TRUE(testing_site::make_fifo(journal)); }, RecordFound::NotARecord});
        cases.push_back({"a link to a data file", [&] { ASSERT_TRUE(testing_site::make_symbolic_link(from, journal)); },
                         RecordFound::NotARecord});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh_site();
        testing_site::make_dirs(dir / "docs");
        write_file(outside, content);
        write_file(autosave, "a user's only copy");
        write_file(to, content);
        c.make();
        const std::map<std::string, std::string> files = files_in_site();
        FileKeeper keeper;
        keeper.keep_journal(journal, site());
        const site::JournalRecovery recovery = keeper.recover_recorded_move();
        EXPECT_EQ(recovery.found, c.found);
        EXPECT_EQ(recovery.usable(), c.found != RecordFound::OthersRecord);
        EXPECT_EQ(recovery.completed, "");
        EXPECT_EQ(!recovery.set_aside.empty(), c.found == RecordFound::NotARecord);
        if (!recovery.set_aside.empty()) {
            EXPECT_TRUE(site::file_info(recovery.set_aside).has_value());
            testing_site::remove_tree(recovery.set_aside);
        }
        EXPECT_EQ(site::file_info(journal).has_value(), c.found == RecordFound::OthersRecord);
        EXPECT_EQ(files_in_site(), files) << "a file changed or went";
        if (!recovery.usable()) continue;

        // Recording goes on: a copy stopped halfway leaves its record,
        // whose temporary is this process's own.
        testing_site::remove_tree(to);
        write_file(from, content);
        FaultyDiskCalls fs;
        fs.route = Route::AcrossFileSystems;
        fs.kill_at_call = 5;
        FileKeeper later(fs);
        later.keep_journal(journal, site());
        EXPECT_THROW(later.move(from, to), Killed);
        EXPECT_EQ(read_file(journal),
                  header + from + "\n" + to + "\n" + dir / ("archive/.P0300_Coteau_2015.K7." + pid + "-1.part\n"));
    }
}

// Whatever the spelling of the site's directories (a "..", a name with a
// colon as a mounted share's, the root of a drive, whose paths then have a
// doubled separator), a move killed at any step leaves a record that the
// next run takes for its own and finishes; and the base directory's own
// files, the run locks among them, are never a record's ends.
TEST_F(FileKeeperTest, TheKeepersOwnRecordsAreReadBackAndNothingElse) {
    testing_site::make_dirs(dir / "smb-share:server=nas");
    for (const std::string& sent : {dir / "archive/../sent", dir / "smb-share:server=nas/../sent"}) {
        const std::string source = sent + "/P0300_Coteau_2015.K7", target = sent + "/P0300_COTEAU_2015.K7";
        for (int kill_at = 1;; ++kill_at) {
            SCOPED_TRACE(sent + ", killed at call " + std::to_string(kill_at));
            fresh_site();
            FaultyDiskCalls fs;
            fs.case_blind = true;
            fs.kill_at_call = kill_at;
            FileKeeper keeper(fs);
            keeper.keep_journal(journal, {{sent, 0}});
            bool killed = false;
            try {
                EXPECT_EQ(keeper.move(source, target), MoveOutcome::Moved);
            } catch (const Killed&) {
                killed = true;
            }
            FaultyDiskCalls rerun_fs;
            rerun_fs.case_blind = true;
            FileKeeper rerun(rerun_fs);
            rerun.keep_journal(journal, {{sent, 0}});
            const site::JournalRecovery recovery = rerun.recover_recorded_move();
            EXPECT_TRUE(recovery.usable() && recovery.found != site::RecordFound::NotARecord);
            const std::vector<std::string> left = left_over();
            ASSERT_EQ(left.size(), 1u);
            EXPECT_EQ(left[0].find("sent/P0300_"), 0u) << left[0];
            if (!killed) break;
        }
    }

    site::RecordedMove move;
    const std::string root = testing_site::kPosixOnlyEntries ? "/" : "E:\\";
    const std::string in_root_sent = site::join_path(site::join_path(root, "envoye"), "P0300_Coteau_2015.K7");
    const std::string in_root_archive =
        site::join_path(site::join_path(site::join_path(root, "300"), "2015"), "P0300_Coteau_2015.K7");
    EXPECT_EQ(site::classify_move_record("brasko move record 1\n" + in_root_sent + "\n" + in_root_archive + "\n\n",
                                         {{site::join_path(root, "envoye"), 0}, {root, 2}}, move),
              site::RecordFound::Finished);

    // A move that needs a record, to a place outside the areas: the record
    // would not be acted on, so the move is not made.
    fresh_site();
    testing_site::make_dirs(dir / "docs");
    FaultyDiskCalls across;
    across.route = Route::AcrossFileSystems;
    FileKeeper outside(across);
    outside.keep_journal(journal, site());
    EXPECT_EQ(outside.move(from, dir / "docs/P0300_Coteau_2015.K7"), MoveOutcome::Failed);
    EXPECT_EQ(read_file(from), content);
    EXPECT_TRUE(testing_site::names_in(dir / "docs").empty());
    EXPECT_FALSE(exists(journal));

    if (!testing_site::kPosixOnlyEntries) return;  // a second lock in one process: POSIX only
    const std::string held = dir / "tolvik.lock", other = dir / "brasko.lock";
    const site::RunLock lock = site::RunLock::acquire(held, 0);
    ASSERT_EQ(lock.state(), site::RunLock::State::Held);
    write_file(other, "");
    write_file(journal, "brasko move record 1\n" + held + "\n" + other + "\n\n");
    FileKeeper keeper;
    keeper.keep_journal(journal, {{dir / "sent", 0}, {dir.path(), 2}});
    EXPECT_EQ(keeper.recover_recorded_move().found, site::RecordFound::OthersRecord);
    EXPECT_TRUE(exists(held));
    EXPECT_EQ(site::RunLock::acquire(held, 0).state(), site::RunLock::State::Busy);
}

// A file put back at its target, in another directory than its own, is
// flushed there before the record goes (the check of FaultyDiskCalls).
TEST_F(FileKeeperTest, APutBackInAnotherDirectoryIsFlushedBeforeTheRecordGoes) {
    const std::string aside = dir / "sent/.P0300_Coteau_2015.K7.7-1.aside";
    ASSERT_TRUE(testing_site::replace_file(from, aside));
    write_file(from, "a new file");
    write_file(journal, "brasko move record 1\n" + from + "\n" + to + "\n" + aside + "\n");
    FaultyDiskCalls fs;
    FileKeeper keeper(fs);
    keeper.keep_journal(journal, site());
    EXPECT_EQ(keeper.recover_recorded_move().found, site::RecordFound::Finished);
    EXPECT_EQ(read_file(to), content);
    EXPECT_EQ(read_file(from), "a new file");
    EXPECT_TRUE(fs.unflushed.empty());
}

// A record that this run cannot read is most likely its own, written by
// another account: nothing is set aside or moved until it can be read, and
// then the move it covers is finished.
TEST_F(FileKeeperTest, ARecordThatCannotBeReadIsLeftAndNothingMoves) {
    const std::string aside = dir / "sent/.P0300_Coteau_2015.K7.7-1.aside";
    ASSERT_TRUE(testing_site::replace_file(from, aside));
    write_file(journal, "brasko move record 1\n" + from + "\n" + dir / "sent/P0300_COTEAU_2015.K7\n" + aside + "\n");
    FaultyDiskCalls fs;
    fs.unreadable = journal;
    FileKeeper keeper(fs);
    keeper.keep_journal(journal, site());
    const site::JournalRecovery recovery = keeper.recover_recorded_move();
    EXPECT_EQ(recovery.found, site::RecordFound::Unreadable);
    EXPECT_FALSE(recovery.usable());
    EXPECT_EQ(recovery.set_aside, "");
    EXPECT_EQ(left_over(), std::vector<std::string>{"sent/.P0300_Coteau_2015.K7.7-1.aside"});
    EXPECT_TRUE(exists(journal));

    FileKeeper readable;
    readable.keep_journal(journal, site());
    EXPECT_EQ(readable.recover_recorded_move().found, site::RecordFound::Finished);
    EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});
    EXPECT_FALSE(exists(journal));
}

// Where a file that was moved aside cannot be put back at the name the
// move was to give, it gets its own name back; where it cannot have that
// either, the record stays for the next run, nothing else is recorded over
// it, and the next run puts it back. An aside name is never the end.
TEST_F(FileKeeperTest, AFileMovedAsideAlwaysGetsANameBack) {
    const std::string new_case = dir / "sent/P0300_COTEAU_2015.K7";
    FaultyDiskCalls fs;
    fs.case_blind = true;
    fs.refused_targets = {new_case};
    FileKeeper keeper(fs);
    keeper.keep_journal(journal, site());
    EXPECT_EQ(keeper.move(from, new_case), MoveOutcome::SameFile);
    EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});
    EXPECT_FALSE(exists(journal));

    fs.refused_targets = {new_case, from};
    const std::string second = dir / "sent/P0300_Coteau_2016.K7";
    write_file(second, "another file");
    FileKeeper stuck(fs);
    stuck.keep_journal(journal, site());
    EXPECT_NE(stuck.move(from, new_case), MoveOutcome::Moved);
    const std::string record = read_file(journal);
    fs.case_blind = false;
    fs.route = Route::AcrossFileSystems;
    EXPECT_NE(stuck.move(second, dir / "archive/P0300_Coteau_2016.K7"), MoveOutcome::Moved);
    EXPECT_EQ(read_file(journal), record) << "a record was written over one that still stands";

    FileKeeper rerun;
    rerun.keep_journal(journal, site());
    EXPECT_EQ(rerun.recover_recorded_move().found, site::RecordFound::Finished);
    EXPECT_EQ(left_over(), (std::vector<std::string>{"sent/P0300_Coteau_2015.K7", "sent/P0300_Coteau_2016.K7"}));
    EXPECT_FALSE(exists(journal));
}

// A lock file that cannot be opened because the base path names nothing,
// or holds a name the file system refuses, is a missing base directory;
// anything else makes the lock unusable.
TEST(RunLock, AnUnopenedLockFileIsAMissingBaseOnlyWhenItsPathIs) {
    using site::RunLock;
    for (const auto& [status, state] : {std::pair{FsStatus::NotFound, RunLock::State::NoDirectory},
                                        std::pair{FsStatus::BadName, RunLock::State::NoDirectory},
                                        std::pair{FsStatus::AccessDenied, RunLock::State::Unusable},
                                        std::pair{FsStatus::NotRegular, RunLock::State::Unusable}})
        EXPECT_EQ(RunLock::state_when_unopened(status), state);
}

// A run stopped once the copy had its name, and a source that the next run
// cannot delete either: the copy goes, the file stays in one place.
TEST_F(FileKeeperTest, ARecoveredMoveWhoseSourceCannotGoKeepsOnePlace) {
    write_file(to, content);
    write_file(journal, "brasko move record 1\n" + from + "\n" + to + "\n\n");
    FaultyDiskCalls fs;
    fs.undeletable = from;
    FileKeeper keeper(fs);
    keeper.keep_journal(journal, site());
    EXPECT_EQ(keeper.recover_recorded_move().completed, "");
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
    for (const auto& [route, outcome] : {std::pair{Route::AcrossFileSystems, MoveOutcome::SourceKept},
                                         std::pair{Route::NoExclusiveRename, MoveOutcome::AccessDenied}}) {
        FaultyDiskCalls fs;
        fs.route = route;
        fs.undeletable = from;
        EXPECT_EQ(FileKeeper(fs).move(from, to), outcome);
        EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});
        EXPECT_EQ(read_file(from), content);
    }
}

// What stands at the target decides. Equal bytes are no proof of a second
// copy: a name is removed only when the other is still there after it was
// moved aside. A target that is this very entry under another spelling
// (a change of case on a case-blind file system, a directory reached
// twice) keeps the file, renamed where the move changes only the case.
TEST_F(FileKeeperTest, AnExistingTargetIsRemovedOnlyWhenProvenASecondCopy) {
    struct Case {
        const char* what;
        std::string target;  // content; "=link" for a second name of the source, "=same" for the source itself
        std::string to;      // relative to the test's directory
        bool case_blind;
        MoveOutcome outcome;
        std::vector<std::string> left;
        Route route = Route::Rename;
    };
    const std::string archived = "archive/P0300_Coteau_2015.K7", sent = "sent/P0300_Coteau_2015.K7";
    std::vector<Case> cases = {
        {"same bytes", content, archived, false, MoveOutcome::Completed, {archived}},
        {"same bytes, across file systems",
         content,
         archived,
         false,
         MoveOutcome::Completed,
         {archived},
         Route::AcrossFileSystems},
        {"other bytes, across file systems",
         "another file",
         archived,
         false,
         MoveOutcome::TargetExists,
         {sent, archived},
         Route::AcrossFileSystems},
        {"a second link", "=link", archived, false, MoveOutcome::Completed, {archived}},
        {"same size, other bytes",
         std::string(content).replace(7, 1, "x"),
         archived,
         false,
         MoveOutcome::TargetExists,
         {sent, archived}},
        {"shorter", content.substr(1), archived, false, MoveOutcome::TargetExists, {sent, archived}},
        {"empty", "", archived, false, MoveOutcome::TargetExists, {sent, archived}},
        {"only the case differs, case-blind",
         "=same",
         "sent/p0300_coteau_2015.K7",
         true,
         MoveOutcome::Moved,
         {"sent/p0300_coteau_2015.K7"}},
        {"the same name in another case, case-blind",
         "=same",
         "sent/P0300_COTEAU_2015.k7",
         true,
         MoveOutcome::Moved,
         {"sent/P0300_COTEAU_2015.k7"}},
        {"its own name", "=same", sent, false, MoveOutcome::TargetExists, {sent}},
        {"its own directory reached again, a third name elsewhere",
         "=third",
         "sent/./P0300_Coteau_2015.K7",
         false,
         MoveOutcome::SameFile,
         {sent, "archive/other"}},
    };
    // Where the tests can make a link: the directory reached through it.
    if (testing_site::kPosixOnlyEntries) {
        ASSERT_TRUE(testing_site::make_symbolic_link(dir / "sent", dir / "sent-again"));
        cases.push_back({"its own directory reached again",
                         "=same",
                         "sent-again/P0300_Coteau_2015.K7",
                         false,
                         MoveOutcome::SameFile,
                         {sent}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh_site();
        if (c.target == "=link")
            ASSERT_TRUE(testing_site::make_hard_link(from, dir / c.to));
        else if (c.target == "=third")
            ASSERT_TRUE(testing_site::make_hard_link(from, dir / "archive/other"));
        else if (c.target != "=same")
            write_file(dir / c.to, c.target);
        FaultyDiskCalls fs;
        fs.case_blind = c.case_blind;
        fs.route = c.route;
        FileKeeper keeper(fs);
        std::vector<site::MoveArea> areas = site();
        areas.push_back({dir / "sent-again", 0});
        keeper.keep_journal(journal, areas);
        EXPECT_EQ(keeper.move(from, dir / c.to), c.outcome);
        EXPECT_EQ(left_over(), c.left);
        EXPECT_FALSE(exists(journal));
        for (const std::string& name : c.left)
            EXPECT_EQ(read_file(dir / name), name == sent || c.target[0] == '=' ? content : c.target);
    }
}

TEST_F(FileKeeperTest, WritesWholeFilesAndNeverThroughALink) {
    if (testing_site::kPosixOnlyEntries) {
        ASSERT_TRUE(testing_site::make_symbolic_link(from, listing));
        EXPECT_EQ(FileKeeper().write_whole(listing, "a\r\nb\r\n"), FsStatus::Ok);
        EXPECT_EQ(read_file(listing), "a\r\nb\r\n");
        EXPECT_EQ(read_file(from), content);
    }

    FaultyDiskCalls full;
    full.write_limit = 3;
    EXPECT_EQ(FileKeeper(full).write_whole(listing, "a\r\nb\r\n"), FsStatus::NoSpace);
    EXPECT_EQ(left_over(), std::vector<std::string>{"sent/P0300_Coteau_2015.K7"});
}

}  // namespace
