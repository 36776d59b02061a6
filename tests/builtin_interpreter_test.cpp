#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/fs/paths.h"
#include "common/fs/real_file_system.h"
#include "common/interpreter/interpreter.h"
#include "tests/support/fixed_host.h"
#include "tests/support/temp_site.h"
#include "tests/support/test_platform.h"

namespace {

using site::Command;
using testing_site::exists;
using testing_site::read_file;
using testing_site::TempDir;
using testing_site::write_file;

class BuiltinInterpreterTest : public ::testing::Test {
protected:
    std::string run(const Command& command) {
        site::Trace console;
        site::BuiltinInterpreter interpreter(console, disk, dir.path(), host);
        interpreter.run(command);
        return console.text();
    }

    site::RealFileSystem disk;
    testing_site::FixedHost host;
    TempDir dir;
};

TEST_F(BuiltinInterpreterTest, ListsMatchingNamesInNameOrderWithCrLf) {
    testing_site::make_dirs(dir / "in");
    for (const char* name : {"b.K7", "A.k8", "c.K78", "d.raw", "e.K", "C.K7"}) write_file(dir / "in/" + name, "x");
    testing_site::make_dirs(dir / "in/sub.K7");
    EXPECT_EQ(run(Command::list_matching(dir / "in/*.K?", dir / "list.txt")), "");
    EXPECT_EQ(read_file(dir / "list.txt"), "A.k8\r\nb.K7\r\nC.K7\r\ne.K\r\nsub.K7\r\n");
}

TEST_F(BuiltinInterpreterTest, ListsAWholeDirectory) {
    testing_site::make_dirs(dir / "in/sub");
    write_file(dir / "in/z.txt", "x");
    run(Command::list_directory(dir / "in", dir / "list.txt"));
    EXPECT_EQ(read_file(dir / "list.txt"), "sub\r\nz.txt\r\n");
}

TEST_F(BuiltinInterpreterTest, NothingToListGivesAnEmptyFile) {
    testing_site::make_dirs(dir / "empty");
    write_file(dir / "list.txt", "old content\r\n");
    EXPECT_EQ(run(Command::list_directory(dir / "empty", dir / "list.txt")), "File Not Found\n");
    EXPECT_EQ(read_file(dir / "list.txt"), "");
    EXPECT_EQ(run(Command::list_matching(dir / "missing/*.K?", dir / "list2.txt")), "File Not Found\n");
    EXPECT_EQ(read_file(dir / "list2.txt"), "");
    EXPECT_EQ(run(Command::list_directory(dir / "empty", dir / "no/such/list.txt")),
              "The system cannot find the path specified.\n");
}

TEST_F(BuiltinInterpreterTest, ListsOnlyNamesThatWindowsCouldHold) {
    SKIP_WITHOUT_POSIX_ONLY_ENTRIES();
    testing_site::make_dirs(dir / "in");
    for (const std::string name : {"ok.K7", "a\nb.K7",
                                   "c\x1A"
                                   "d.K7",
                                   "d*x.K7", "e?.K7", "f:g.K7", "h\"i.K7", "j|k.K7", "dot.", "space ", "back\\slash",
                                   "NUL.K7", "Com1.raw", "lpt9", "con .K7", "CONS.K7", "COM10.raw", "nul_x.K7"})
        write_file(dir / "in/" + name, "x");
    EXPECT_EQ(run(Command::list_directory(dir / "in", dir / "list.txt")),
              "Not listed, a name that Windows cannot hold: a?b.K7\n"
              "Not listed, a name that Windows cannot hold: back?slash\n"
              "Not listed, a name that Windows cannot hold: c?d.K7\n"
              "Not listed, a name that Windows cannot hold: Com1.raw\n"
              "Not listed, a name that Windows cannot hold: con .K7\n"
              "Not listed, a name that Windows cannot hold: d?x.K7\n"
              "Not listed, a name that Windows cannot hold: dot.\n"
              "Not listed, a name that Windows cannot hold: e?.K7\n"
              "Not listed, a name that Windows cannot hold: f?g.K7\n"
              "Not listed, a name that Windows cannot hold: h?i.K7\n"
              "Not listed, a name that Windows cannot hold: j?k.K7\n"
              "Not listed, a name that Windows cannot hold: lpt9\n"
              "Not listed, a name that Windows cannot hold: NUL.K7\n"
              "Not listed, a name that Windows cannot hold: space \n");
    EXPECT_EQ(read_file(dir / "list.txt"), "COM10.raw\r\nCONS.K7\r\nnul_x.K7\r\nok.K7\r\n");
}

TEST_F(BuiltinInterpreterTest, RenameWithinItsDirectory) {
    write_file(dir / "old.K7", "data");
    EXPECT_EQ(run(Command::rename(dir / "old.K7", "new.K7")), "");
    EXPECT_EQ(read_file(dir / "new.K7"), "data");
    EXPECT_FALSE(exists(dir / "old.K7"));
}

TEST_F(BuiltinInterpreterTest, RenameNeverReplaces) {
    write_file(dir / "a.K7", "first");
    write_file(dir / "b.K7", "second");
    EXPECT_EQ(run(Command::rename(dir / "a.K7", "b.K7")),
              "A duplicate file name exists, or the file\ncannot be found.\n");
    EXPECT_EQ(read_file(dir / "a.K7"), "first");
    EXPECT_EQ(read_file(dir / "b.K7"), "second");
    EXPECT_EQ(run(Command::rename(dir / "a.K7", "a.K7")),
              "A duplicate file name exists, or the file\ncannot be found.\n");
    EXPECT_EQ(read_file(dir / "a.K7"), "first");
}

TEST_F(BuiltinInterpreterTest, RenameRefusals) {
    write_file(dir / "a.K7", "first");
    EXPECT_EQ(run(Command::rename(dir / "gone.K7", "x.K7")), "The system cannot find the file specified.\n");
    EXPECT_EQ(run(Command::rename(dir / "a.K7", "../a.K7")), "The syntax of the command is incorrect.\n");
    EXPECT_EQ(run(Command::rename(dir / "a.K7", "sub\\a.K7")), "The syntax of the command is incorrect.\n");
    EXPECT_EQ(read_file(dir / "a.K7"), "first");
}

TEST_F(BuiltinInterpreterTest, MovePatternTakesFilesWithoutRegardToCase) {
    testing_site::make_dirs(dir / "sent");
    testing_site::make_dirs(dir / "arch");
    for (const char* name : {"P0300_a.K7", "P0300_b.k8", "p0300_c.k7", "P0300_d.raw", "P1234_e.K7"})
        write_file(dir / "sent/" + name, name);
    testing_site::make_dirs(dir / "sent/P0300_dir.K7");
    const std::string out = run(Command::move_matching(dir / "sent/P0300_*.k?", dir / "arch"));
    EXPECT_EQ(out, dir / "sent/P0300_a.K7\n" + dir / "sent/P0300_b.k8\n" + dir / "sent/p0300_c.k7\n" +
                       "        3 file(s) moved.\n");
    EXPECT_EQ(testing_site::names_in(dir / "arch"),
              (std::vector<std::string>{"P0300_a.K7", "P0300_b.k8", "p0300_c.k7"}));
    EXPECT_EQ(testing_site::names_in(dir / "sent"),
              (std::vector<std::string>{"P0300_d.raw", "P0300_dir.K7", "P1234_e.K7"}));
}

TEST_F(BuiltinInterpreterTest, MovePatternNeverReplacesAnArchivedFile) {
    testing_site::make_dirs(dir / "sent");
    testing_site::make_dirs(dir / "arch");
    write_file(dir / "sent/P0300_a.K7", "new");
    write_file(dir / "sent/P0300_b.K7", "b");
    write_file(dir / "arch/P0300_a.K7", "archived");
    const std::string out = run(Command::move_matching(dir / "sent/P0300_*.k?", dir / "arch"));
    EXPECT_EQ(out, dir / "sent/P0300_a.K7\nCannot create a file when that file already exists.\n" +
                       dir / "sent/P0300_b.K7\n" + "        1 file(s) moved.\n");
    EXPECT_EQ(read_file(dir / "sent/P0300_a.K7"), "new");
    EXPECT_EQ(read_file(dir / "arch/P0300_a.K7"), "archived");
    EXPECT_EQ(read_file(dir / "arch/P0300_b.K7"), "b");
}

TEST_F(BuiltinInterpreterTest, MovePatternRefusals) {
    testing_site::make_dirs(dir / "sent");
    write_file(dir / "sent/P0300_a.K7", "a");
    EXPECT_EQ(run(Command::move_matching(dir / "sent/P9999_*.k?", dir / "sent")),
              "The system cannot find the file specified.\n");
    // A pattern never lands on a single file's name in a missing directory.
    EXPECT_EQ(run(Command::move_matching(dir / "sent/P0300_*.k?", dir / "arch2015")),
              "The system cannot find the path specified.\n");
    EXPECT_EQ(read_file(dir / "sent/P0300_a.K7"), "a");
    EXPECT_FALSE(exists(dir / "arch2015"));
}

// Moving one file says and does the same whether or not the interpreter has
// just entered the target's directory, where it tries the move at once.
TEST_F(BuiltinInterpreterTest, MoveOneFile) {
    struct Case {
        const char* what;
        std::string target;    // below the case's directory
        std::string standing;  // at the target before: "" nothing, "/" a directory, otherwise a file's bytes
        bool source = true;    // whether sent/w.raw is there
        std::string said;
        std::string moved_to;  // where the file is after, "" when it stays in sent
    };
    const std::string moved = "        1 file(s) moved.\n";
    const std::vector<Case> cases = {
        {"to a full path", "wet/A001/w.raw", "", true, moved, "wet/A001/w.raw"},
        {"onto another file", "wet/A001/w.raw", "old", true,
         "Cannot create a file when that file already exists.\n        0 file(s) moved.\n", ""},
        {"into a directory of the target's name", "wet/A001/w.raw", "/", true, moved, "wet/A001/w.raw/w.raw"},
        {"into a directory", "wet/A001", "", true, moved, "wet/A001/w.raw"},
        {"a source that is not there", "wet/A001/w.raw", "", false, "The system cannot find the file specified.\n", ""},
        {"a directory that is not there", "wet/B002/w.raw", "", true, "The system cannot find the path specified.\n",
         ""},
    };
    int run_number = 0;
    for (const Case& c : cases) {
        for (const bool entered : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (entered ? ", its directory just entered" : ""));
            const std::string root = dir / std::to_string(++run_number);
            testing_site::make_dirs(root + "/sent");
            testing_site::make_dirs(root + "/wet/A001");
            if (c.source) write_file(root + "/sent/w.raw", "new");
            if (c.standing == "/")
                testing_site::make_dirs(root + "/" + c.target);
            else if (!c.standing.empty())
                write_file(root + "/" + c.target, c.standing);
            site::Trace console;
            site::BuiltinInterpreter interpreter(console, disk, root, host);
            if (entered) interpreter.change_directory(site::split_path(root + "/" + c.target).directory);
            interpreter.run(Command::move(root + "/sent/w.raw", root + "/" + c.target));
            EXPECT_EQ(console.text(), c.said);
            EXPECT_EQ(exists(root + "/sent/w.raw"), c.source && c.moved_to.empty());
            if (!c.moved_to.empty()) {
                EXPECT_EQ(read_file(root + "/" + c.moved_to), "new");
            }
            if (!c.standing.empty() && c.standing != "/") {
                EXPECT_EQ(read_file(root + "/" + c.target), c.standing);
            }
        }
    }
}

// A return that waits for the next look ends where the same return made at
// once would have: in the directory returned to, then the next one entered
// from it, or wherever a failed step left the interpreter.
TEST_F(BuiltinInterpreterTest, AReturnThatWaitsEndsWhereAReturnAtOnceWould) {
    struct Case {
        const char* what;
        std::string back_to, then;  // relative to the case's directory; `then` "" reads the current directory
    };
    const std::vector<Case> cases = {
        {"both there", "base", "300"},
        {"the next one missing", "base", "missing"},
        {"the return missing, the next one there from where it was", "gone", "here"},
        {"both missing", "gone", "missing"},
        {"a whole path next", "base", "/base/300"},
        {"a whole path next, missing", "base", "/missing"},
        {"the current directory read", "base", ""},
        {"two returns", "base", "\\base"},
    };
    int run_number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string ended[2];
        bool entered[2] = {false, false};
        for (const bool waits : {false, true}) {
            const std::string root = dir / std::to_string(++run_number);
            for (const char* made : {"/base/300", "/start/here"}) testing_site::make_dirs(root + made);
            const auto whole = [&](const std::string& path) {
                return path.empty() || (path[0] != '/' && path[0] != '\\') ? path : root + "/" + path.substr(1);
            };
            site::Trace console;
            site::BuiltinInterpreter interpreter(console, disk, root + "/start", host);
            if (waits)
                interpreter.return_to(root + "/" + c.back_to);
            else
                interpreter.change_directory(root + "/" + c.back_to);
            if (!c.then.empty() && c.then[0] == '\\')
                interpreter.return_to(whole(c.then));
            else if (!c.then.empty())
                entered[waits] = interpreter.change_directory(whole(c.then));
            ended[waits] = interpreter.current_directory().substr(root.size());
        }
        EXPECT_EQ(ended[true], ended[false]);
        EXPECT_EQ(entered[true], entered[false]);
    }
}

TEST_F(BuiltinInterpreterTest, EchoPrintsAndRedirects) {
    EXPECT_EQ(run(Command::echo("off")), "");
    EXPECT_EQ(run(Command::echo("")), "\n");
    EXPECT_EQ(run(Command::echo("pas de fichier a ranger")), "pas de fichier a ranger\n");
    host.environment["programfiles"] = "C:\\Program Files";
    testing_site::ScopedCwd cwd(dir.path());
    EXPECT_EQ(run(Command::echo("%programfiles%", "path.txt")), "");
    EXPECT_EQ(read_file(dir / "path.txt"), "C:\\Program Files \r\n");
}

TEST(ExpandEnvironment, NamesWithoutRegardToCaseUnsetLeftAsWritten) {
    testing_site::FixedHost host;
    host.environment["sitetestvar"] = "v";
    EXPECT_EQ(site::expand_environment(host, "a %sitetestvar% b"), "a v b");
    EXPECT_EQ(site::expand_environment(host, "%SITETESTVAR%%SiteTestVar%"), "vv");
    EXPECT_EQ(site::expand_environment(host, "%NoSuchSiteVar% x"), "%NoSuchSiteVar% x");
    EXPECT_EQ(site::expand_environment(host, "100% sure"), "100% sure");
    EXPECT_EQ(site::expand_environment(host, "%%"), "%%");
}

TEST_F(BuiltinInterpreterTest, DirListsTheCurrentDirectory) {
    write_file(dir / "wet_A001.raw", "12345");
    testing_site::set_mtime(dir / "wet_A001.raw", 0);
    testing_site::make_dirs(dir / "sub");
    site::Trace console;
    site::BuiltinInterpreter interpreter(console, disk, dir / "sub");
    // Named as the system names its current directory: as a process that
    // entered it would see it.
    ASSERT_TRUE(interpreter.change_directory("../sub/./..//"));
    interpreter.run(Command::dir());
    const std::string& out = console.text();
    EXPECT_EQ(out.rfind(" Directory of " + dir.path() + "\n", 0), 0u) << out;
    EXPECT_NE(out.find("5 wet_A001.raw\n"), std::string::npos) << out;
    EXPECT_NE(out.find("1 File(s)              5 bytes"), std::string::npos) << out;
}

}  // namespace

namespace {

// What the next run says of the move record, each on a line of its own
// (the pass's trace line before it ends without one), and whether it may
// go on moving files.
TEST_F(BuiltinInterpreterTest, SaysWhatItFoundInTheMoveRecord) {
    testing_site::make_dirs(dir / "sent");
    testing_site::make_dirs(dir / "base/300");
    const std::string from = dir / "sent/P0300_x.K7", to = dir / "base/300/P0300_x.K7";
    const std::string journal = dir / "base/brasko-move.txt";
    struct Case {
        const char* what;
        std::function<void()> make;
        std::string said;  // the start of what is said
        bool goes_on;
    };
    const std::vector<Case> cases = {
        {"no record", [] {}, "", true},
        {"the copy had its name",
         [&] {
             write_file(from, "data");
             write_file(to, "data");
             write_file(journal, "brasko move record 1\n" + from + "\n" + to + "\n\n");
         },
         "\nAn interrupted move is completed: " + from + "\n", true},
        {"not a record", [&] { write_file(journal, std::string(64, '\0')); },
         "\nThe move record was not one of this program's and is set aside as " + journal + ".", true},
        {"another site's record",
         [&] { write_file(journal, "brasko move record 1\n" + dir / "other/P0300_x.K7" + "\n" + to + "\n\n"); },
         "\nThe move record names files outside this site's directories: it is left for the run it belongs to, and "
         "nothing is moved until it is gone: " +
             journal + "\n",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        site::Trace console;
        site::BuiltinInterpreter interpreter(console, disk, dir.path());
        EXPECT_EQ(interpreter.keep_move_journal(journal, {{dir / "sent", 0}, {dir / "base", 1}}).usable(), c.goes_on);
        EXPECT_EQ(console.text().substr(0, c.said.size()), c.said);
        EXPECT_EQ(exists(journal), !c.goes_on);
        testing_site::remove_tree(journal);
    }
    EXPECT_EQ(read_file(to), "data");
    EXPECT_FALSE(exists(from));
}

}  // namespace
