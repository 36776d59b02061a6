// sitecheck in this process, over a site held in memory: its verdict, the
// configuration problems it names, the reasons and codes it hears from the
// passes, and its command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <algorithm>

#include "common/fs/memory_file_system.h"
#include "common/fs/paths.h"
#include "common/fs/real_file_system.h"
#include "common/interpreter/interpreter.h"
#include "sitecheck/archive_audit.h"
#include "sitecheck/command_line.h"
#include "sitecheck/report.h"
#include "sitecheck/site_check.h"
#include "stamper/stamping_pass.h"
#include "tests/support/fixed_host.h"
#include "tests/support/site_fixture.h"
#include "tests/support/temp_site.h"
#include "tests/support/test_platform.h"
#include "tools/sample_site.h"

namespace {

using site::MemoryFileSystem;
using testing_site::native_path;

void healthy_site(MemoryFileSystem& fs) {
    fs.put_file(native_path("/site/path_autok7.txt"),
                sample::path_config_text(native_path("/site/base"), native_path("/site/base/aenvoyer"),
                                         native_path("/site/base/envoye")));
    fs.put_file(native_path("/site/electron-site.ini"), sample::site_file_text("Coteau"));
    fs.put_directory(native_path("/site/base/envoye"));
    fs.put_file(native_path("/site/base/aenvoyer/P0044_03011420.K8"), "k8", testing_site::march_1_2015_1420());
}

// The dry run of the healthy site after `change`.
site::SiteCheck checked_healthy_site(const std::function<void(MemoryFileSystem&)>& change,
                                     site::Trace::Keep traces = site::Trace::Keep::text) {
    testing_site::FixedHost host(native_path("/pf"));
    MemoryFileSystem disk;
    healthy_site(disk);
    change(disk);
    return site::check_site(disk, host, native_path("/site"), traces);
}

TEST(SiteCheck, VerdictAndProblems) {
    struct Case {
        const char* what;
        std::function<void(MemoryFileSystem&)> change;
        int status;
        std::string problem;  // the first problem's code, then a part of its text
        int staying = -1;     // files foretold to stay where they are; -1: not looked at
    };
    sample::K7Fields k7;
    k7.number = 300;
    k7.par_name = "CIM300";
    const std::vector<Case> cases = {
        {"every file handled", [](MemoryFileSystem&) {}, 0, ""},
        {"a collision in the archive",
         [](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/base/044/2015/P0044_Coteau_201503011420-1420.k8"), "other");
         },
         1, ""},
        {"no sent directory",
         [](MemoryFileSystem& fs) { fs.move(native_path("/site/base/envoye"), native_path("/site/old")); }, 2,
         "no-sent-directory the sent directory " + native_path("/site/base/envoye") + " does not exist"},
        {"no site file", [](MemoryFileSystem& fs) { fs.discard(native_path("/site/electron-site.ini")); }, 2,
         "site-file-unreadable no site name: " + native_path("/site/electron-site.ini") + " cannot be read"},
        {"no parameter file",
         [&](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/base/aenvoyer/03011420.K7"), sample::k7_file_bytes(k7),
                         testing_site::march_1_2015_1420());
         },
         2,
         "parameter-file-missing the parameter file " + native_path("/pf/ASTPWin/PAR/CIM300.PAR") +
             " is missing (needed by 1 .K7 file(s)"},
        // The files still wait when the configuration stops the programs.
        {"an empty base line",
         [](MemoryFileSystem& fs) {
             fs.put_file(
                 native_path("/site/path_autok7.txt"),
                 sample::path_config_text("", native_path("/site/base/aenvoyer"), native_path("/site/base/envoye")));
             fs.put_file(native_path("/site/base/envoye/P0044_Coteau_2015.K7"), "sent");
         },
         2, "no-base-path path_autok7.txt ne donne pas de repertoire de base : rien n est fait", 2},
        {"a path line cut by the line buffer",
         [](MemoryFileSystem& fs) {
             fs.put_file(
                 native_path("/site/path_autok7.txt"),
                 sample::path_config_text(native_path("/site/base/") + std::string(200, 'x'),
                                          native_path("/site/base/aenvoyer"), native_path("/site/base/envoye")));
         },
         2, "path-line-too-long " + native_path("/site/path_autok7.txt") + ": line 1 is longer than 199 characters"},
        {"a name the code page cannot spell",
         [](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/wet_<U+65E5>_A001.raw"), "x"); }, 1, "",
         1},
    };
    for (const Case& c : cases) {
        const site::SiteCheck check = checked_healthy_site(c.change);
        EXPECT_EQ(check.status(), c.status) << c.what << "\n" << site::human_report(check);
        if (!c.problem.empty()) {
            ASSERT_FALSE(check.problems.empty()) << c.what;
            EXPECT_EQ((check.problems[0].code + " " + check.problems[0].text).find(c.problem), 0u)
                << c.what << ": " << check.problems[0].text;
        }
        EXPECT_NE(site::human_report(check).find(site::verdict(check)), std::string::npos) << c.what;
        if (c.staying >= 0) {
            EXPECT_EQ(std::count_if(check.files.begin(), check.files.end(),
                                    [](const site::FilePrediction& file) { return file.fate != site::Fate::Filed; }),
                      c.staying)
                << c.what << "\n"
                << site::human_report(check);
        }
    }
}

// A configured path through ".." leads where the disk says, as it does for
// the programs: the dry run and a real stamping run over the same site go
// to the same place.
TEST(SiteCheck, PathsLeadWhereTheDiskLeadsThem) {
    testing_site::FixedHost host(native_path("/pf"));
    for (const char* to_send : {"/base/missing/../aenvoyer", "/base/aenvoyer/../aenvoyer"}) {
        testing_site::TempDir tmp;
        const std::string root = tmp / "site";
        testing_site::make_dirs(root + "/base/aenvoyer");
        testing_site::make_dirs(root + "/base/envoye");
        testing_site::write_file(root + "/path_autok7.txt",
                                 sample::path_config_text(root + "/base", root + to_send, root + "/base/envoye"));
        testing_site::write_file(root + "/electron-site.ini", sample::site_file_text("Coteau"));
        testing_site::write_file(root + "/base/aenvoyer/P0044_0301.K8", "k8");
        testing_site::set_mtime(root + "/base/aenvoyer/P0044_0301.K8", testing_site::march_1_2015_1420());

        site::RealFileSystem disk;
        const site::SiteCheck check = site::check_site(disk, host, root);
        const bool foretold_stamped =
            std::any_of(check.files.begin(), check.files.end(),
                        [](const site::FilePrediction& file) { return file.new_name != file.name; });
        site::Trace trace;
        site::BuiltinInterpreter interpreter(trace, disk, root, host);
        site::run_stamping_pass(trace, interpreter, disk, host);
        const bool stamped = !testing_site::exists(root + "/base/aenvoyer/P0044_0301.K8");
        EXPECT_EQ(foretold_stamped, stamped) << to_send << "\n" << site::human_report(check) << trace.text();
    }
}

// Each reason as the passes give it, with its code; a collision is known
// from the code, in to-send as in sent.
TEST(SiteCheck, ReasonsAndTheirCodesComeFromThePasses) {
    struct Case {
        const char* what;
        std::function<void(MemoryFileSystem&)> change;
        std::string name;    // the file looked at
        std::string codes;   // its reasons' codes, in order
        std::string reason;  // its reason as one text
        bool collision;
    };
    sample::K7Fields k7;
    k7.number = 300;
    k7.par_name = "CIM300";
    const std::string stamped = "P0044_Coteau_201503011420-1420.k8";
    const std::string long_name = "P0300_Coteau_2015" + std::string(190, 'x') + ".K7";
    std::vector<Case> cases = {
        {"no parameter file",
         [&](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/base/aenvoyer/03011420.K7"), sample::k7_file_bytes(k7),
                         testing_site::march_1_2015_1420());
         },
         "03011420.K7", "no-photometer-number no-p",
         "tolvik: pas de numero : " + native_path("/pf/ASTPWin/PAR/CIM300.PAR") +
             " absent ou sans ligne Number, nom inchange; brasko: =pos zero=>03011420.K7",
         false},
        {"the new name taken in sent",
         [&](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/") + stamped, "other"); },
         "P0044_03011420.K8", "sent-holds-name", "a file of that name is already in the sent directory", true},
        {"the name taken in the archive",
         [&](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/044/2015/") + stamped, "other"); },
         "P0044_03011420.K8", "target-exists", "brasko: Cannot create a file when that file already exists.", true},
        {"no year directory for the name",
         [](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/P0300_x_0103.K7"), "x"); },
         "P0300_x_0103.K7", "directory-refused", "brasko: nom de repertoire refuse, fichier laisse en place", false},
        {"no P in the name",
         [](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/Q0300_x_2015.K7"), "x"); },
         "Q0300_x_2015.K7", "no-p", "brasko: =pos zero=>Q0300_x_2015.K7", false},
        {"a wet-sensor name that does not end in .raw",
         [](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/w_A001.rawx"), "x"); }, "w_A001.rawx",
         "source-missing", "brasko: The system cannot find the file specified.", false},
        {"a name brasko never takes",
         [](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/notes.txt"), "x"); }, "notes.txt",
         "not-taken", "brasko takes no file of this name (neither .K7, .K8 nor .raw with a '_')", false},
        {"no wet-sensor folder can be made",
         [](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/base/wetsensor"), "a file where the folder should be");
             fs.put_file(native_path("/site/base/envoye/wet_A001.raw"), "x");
         },
         "wet_A001.raw", "cannot-make-directory cannot-make-directory no-target-directory",
         "brasko: Unable to create directory of Wet sensors Unable to create directory of Wet sensors The system "
         "cannot find the path specified.",
         false},
        {"another site's move record stops brasko",
         [](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/base/brasko-move.txt"),
                         "brasko move record 1\n" + native_path("/other/envoye/P0300_x_2015.K7") + "\n" +
                             native_path("/site/base/300/2015/P0300_x_2015.K7") + "\n\n");
             fs.put_file(native_path("/site/base/envoye/P0300_x_2015.K7"), "x");
         },
         "P0300_x_2015.K7", "move-record-blocks",
         "brasko: The move record names files outside this site's directories: it is left for the run it belongs "
         "to, and nothing is moved until it is gone",
         false},
        {"no sent directory for the transfer, tolvik's reason kept",
         [&](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/path_autok7.txt"),
                         sample::path_config_text(native_path("/site/base"), native_path("/site/base/aenvoyer"),
                                                  native_path("/site/base/nowhere")));
             fs.put_file(native_path("/site/base/aenvoyer/03011420.K7"), sample::k7_file_bytes(k7),
                         testing_site::march_1_2015_1420());
         },
         "03011420.K7", "no-photometer-number transfer-fails",
         "tolvik: pas de numero : " + native_path("/pf/ASTPWin/PAR/CIM300.PAR") +
             " absent ou sans ligne Number, nom inchange; the transfer cannot put it in the sent directory: it is "
             "not there",
         false},
        {"to-send and sent one directory: brasko's reason, no transfer's",
         [](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/path_autok7.txt"),
                         sample::path_config_text(native_path("/site/base"), native_path("/site/base/envoye"),
                                                  native_path("/site/base/envoye")));
             fs.put_file(native_path("/site/base/envoye/notes.txt"), "x");
         },
         "notes.txt", "not-taken", "brasko takes no file of this name (neither .K7, .K8 nor .raw with a '_')", false},
        {"a name too long for a line of the listing",
         [&](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/") + long_name, "x"); }, long_name,
         "listed-name-too-long", "brasko: Nom trop long dans la liste, ignore", false},
        {"a new name longer than a file system holds",
         [](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/electron-site.ini"), sample::site_file_text(std::string(240, 'C')));
         },
         "P0044_03011420.K8", "name-too-long directory-refused",
         "tolvik: The filename or extension is too long.; brasko: nom de repertoire refuse, fichier laisse en place",
         false},
        {"a device name in to-send: the transfer takes it, brasko leaves it out",
         [](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/aenvoyer/") + "CON.K7", "x"); }, "CON.K7",
         "device-name device-name",
         "tolvik: Not listed, a name that Windows cannot hold: CON.K7; brasko: Not listed, a name that Windows "
         "cannot hold: CON.K7",
         false},
        {"a name the code page cannot spell",
         [](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/wet_<U+65E5>_A001.raw"), "x"); },
         "wet_<U+65E5>_A001.raw", "unspellable-name",
         "brasko: Not listed, a name that this system's code page cannot spell: wet_<U+65E5>_A001.raw", false},
        {"a file under an aside name in sent",
         [](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/.P0300_x_2015.K7.12-1.aside"), "x"); },
         ".P0300_x_2015.K7.12-1.aside", "own-temporary",
         "brasko: nom de fichier temporaire des programmes, fichier laisse en place", false},
    };
    if (testing_site::kPosixOnlyEntries)
        cases.push_back(
            {"a name Windows cannot hold",
             [](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/P0300_x_2015.K7 "), "x"); },
             "P0300_x_2015.K7 ", "not-a-windows-name",
             "brasko: Not listed, a name that Windows cannot hold: P0300_x_2015.K7 ", false});
    for (const Case& c : cases) {
        const site::SiteCheck check = checked_healthy_site(c.change);
        const auto file = std::find_if(check.files.begin(), check.files.end(),
                                       [&](const site::FilePrediction& f) { return f.name == c.name; });
        ASSERT_NE(file, check.files.end()) << c.what << "\n" << site::human_report(check);
        std::string codes;
        for (const site::StayReason& reason : file->reasons) codes += (codes.empty() ? "" : " ") + reason.code;
        EXPECT_EQ(codes, c.codes) << c.what << "\n"
                                  << site::human_report(check) << check.stamper_trace << check.filer_trace;
        EXPECT_EQ(file->reason, c.reason) << c.what;
        EXPECT_EQ(file->collision, c.collision) << c.what;
        // Without its traces (as sitecheck runs unless asked for them, so that
        // its memory does not grow with them) the dry run hears the same.
        const site::SiteCheck untraced = checked_healthy_site(c.change, site::Trace::Keep::nothing);
        EXPECT_EQ(site::json_report(untraced, "9.9"), site::json_report(check, "9.9")) << c.what;
        EXPECT_EQ(untraced.stamper_trace + untraced.transfer_trace + untraced.filer_trace, "") << c.what;
    }
}

// What each run will find at its move record's name, read as the runs read
// it; and what the programs left under names of their own in the archive.
TEST(SiteCheck, MoveRecordsAndLeftoversAsTheRunsFindThem) {
    using site::RecordFound;
    const std::string sent = native_path("/site/base/envoye/P0044_x_2015.K7");
    const std::string archived = native_path("/site/base/044/2015/P0044_x_2015.K7");
    struct Case {
        const char* what;
        std::string record;  // brasko-move.txt; empty: none
        RecordFound found;
        int status;
    };
    const std::vector<Case> cases = {
        {"none", "", RecordFound::Nothing, 0},
        {"512 zero bytes", std::string(512, '\0'), RecordFound::NotARecord, 0},
        {"cut while it was written", "brasko move record 1\n" + sent, RecordFound::Cut, 0},
        {"a sound record", "brasko move record 1\n" + sent + "\n" + archived + "\n\n", RecordFound::Finished, 0},
        {"its target as its temporary", "brasko move record 1\n" + sent + "\n" + archived + "\n" + archived + "\n",
         RecordFound::NotARecord, 0},
    };
    for (const Case& c : cases) {
        const site::SiteCheck check = checked_healthy_site([&](MemoryFileSystem& fs) {
            if (!c.record.empty()) fs.put_file(native_path("/site/base/brasko-move.txt"), c.record);
        });
        EXPECT_EQ(check.configuration.filer_record, c.found) << c.what;
        EXPECT_EQ(check.configuration.stamper_record, RecordFound::Nothing) << c.what;
        EXPECT_EQ(check.status(), c.status) << c.what << "\n" << site::human_report(check);
    }

    const site::SiteCheck check = checked_healthy_site([](MemoryFileSystem& fs) {
        fs.put_file(native_path("/site/base/044/2015/.P0044_x_2015.K7.77-1.part"), "copy");
        fs.put_file(native_path("/site/base/wetsensor/A001/.wet_A001.raw.77-2.PART"), "copy");
        fs.put_file(native_path("/site/base/brasko-move.txt.77-1.not-a-record"), "junk");
        fs.put_file(native_path("/site/base/044/2015/.P0044_x_2015.K7.part"), "not of the programs' form");
    });
    std::vector<std::string> found;
    for (const site::Leftover& leftover : check.leftovers) found.push_back(leftover.code + " " + leftover.path);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{
                         "own-temporary " + native_path("/site/base/044/2015/.P0044_x_2015.K7.77-1.part"),
                         "own-temporary " + native_path("/site/base/wetsensor/A001/.wet_A001.raw.77-2.PART"),
                         "record-set-aside " + native_path("/site/base/brasko-move.txt.77-1.not-a-record")}));
    EXPECT_EQ(check.status(), 1);
    EXPECT_NE(site::verdict(check).find("LEFTOVERS: 3 file(s)"), std::string::npos) << site::verdict(check);
}

// A move that a killed run left recorded is finished by the keeper before
// the pass, in the dry run as in the run: its temporary is no leftover, and
// a file under an aside name is foretold from where it is put back.
TEST(SiteCheck, ARecordedMoveIsFinishedBeforeTheFilesAreForetold) {
    const std::string pid = "77";
    const std::string to_send = native_path("/site/base/aenvoyer/"), archive = native_path("/site/base/044/2015/");
    const std::string aside = ".P0044_03011420.K8." + pid + "-1.aside";
    const std::string part = archive + ".P0044_x_2015.K7." + pid + "-2.part";
    const site::SiteCheck check = checked_healthy_site([&](MemoryFileSystem& fs) {
        fs.discard(to_send + "P0044_03011420.K8");
        fs.put_file(to_send + aside, "k8", testing_site::march_1_2015_1420());
        fs.put_file(native_path("/site/base/tolvik-move.txt"),
                    "brasko move record 1\n" + to_send + "P0044_03011420.K8\n" + to_send +
                        "P0044_Coteau_201503011420-1420.k8\n" + to_send + aside + "\n");
        fs.put_file(native_path("/site/base/envoye/P0044_x_2015.K7"), "k7");
        fs.put_file(part, "half a co");
        fs.put_file(native_path("/site/base/brasko-move.txt"), "brasko move record 1\n" +
                                                                   native_path("/site/base/envoye/P0044_x_2015.K7\n") +
                                                                   archive + "P0044_x_2015.K7\n" + part + "\n");
    });
    EXPECT_EQ(check.configuration.stamper_record, site::RecordFound::Finished);
    EXPECT_EQ(check.configuration.filer_record, site::RecordFound::Finished);
    EXPECT_TRUE(check.leftovers.empty()) << site::human_report(check);
    EXPECT_EQ(check.status(), 0) << site::human_report(check) << check.stamper_trace << check.filer_trace;
    for (const site::FilePrediction& file : check.files)
        EXPECT_EQ(file.fate, site::Fate::Filed) << file.name << "\n" << site::human_report(check);
    EXPECT_EQ(check.files.size(), 2u) << site::human_report(check);
}

// Monitoring reads names as characters: decoded from the ANSI code page on
// Windows, UTF-8 as it is on POSIX, where other bytes come as U+FFFD with
// the name's bytes beside; and each file's time stamp and age, against the
// time of the check.
TEST(SiteCheck, JsonGivesNamesAsCharactersAndAges) {
    const bool windows = site::kPathSeparator == '\\';
    struct Case {
        std::string name;
        std::string json;  // the name as JSON gives it, on this system
    };
    std::vector<Case> cases;
    if (windows) {
        cases.push_back({"wet_\xe9t\xe9_A001.raw", R"("name": "wet_\u00e9t\u00e9_A001.raw")"});
        cases.push_back({"wet_\x80_A002.raw", R"("name": "wet_\u20ac_A002.raw")"});
    } else {
        cases.push_back({"wet_\xc3\xa9t\xc3\xa9_A001.raw", R"("name": "wet_\u00e9t\u00e9_A001.raw")"});
        cases.push_back({"wet_\xe2\x82\xac_A002.raw", R"("name": "wet_\u20ac_A002.raw")"});
        cases.push_back({"wet_\xf0\x9f\x98\x80_A003.raw", R"("name": "wet_\ud83d\ude00_A003.raw")"});
        cases.push_back(
            {"A\x1a\"\\\xe9.raw", R"("name": "A\u001a\"\\\ufffd.raw", "name_bytes": "411a225ce92e726177")"});
    }
    testing_site::FixedHost host(native_path("/pf"));
    MemoryFileSystem disk;
    healthy_site(disk);
    for (const Case& c : cases) disk.put_file(native_path("/site/base/envoye/") + c.name, "x", host.clock - 3600);
    const std::string json = site::json_report(site::check_site(disk, host, native_path("/site")), "9.9");
    for (const Case& c : cases) EXPECT_NE(json.find(c.json), std::string::npos) << c.json << "\n" << json;
    EXPECT_NE(json.find(R"("checked_at": "2015-03-01T14:20:00Z")"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("modified": "2015-03-01T13:20:00Z", "age_seconds": 3600)"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("oldest_age_seconds": {"to_send": 0, "sent": 3600})"), std::string::npos) << json;
    // Only the name that is no text carries its bytes.
    EXPECT_EQ(json.find("name_bytes") == std::string::npos, windows) << json;
    EXPECT_EQ(json.find("name_bytes"), json.rfind("name_bytes")) << json;
}

// Signs of a wrong clock in what waits and in the archive's names: warnings
// that change nothing but the verdict.
TEST(SiteCheck, ClockWarnings) {
    const std::time_t now = testing_site::FixedHost().clock;
    constexpr std::time_t kDay = 86400;
    struct Case {
        const char* what;
        std::function<void(MemoryFileSystem&)> change;
        std::string warning;  // its code and the file's path; empty: none
    };
    const std::string sent = native_path("/site/base/envoye/P0044_Coteau_201503011421-1421.k8");
    const std::vector<Case> cases = {
        {"a file a year old", [&](MemoryFileSystem& fs) { fs.put_file(sent, "k8", now - 366 * kDay); }, ""},
        {"a file a minute ahead", [&](MemoryFileSystem& fs) { fs.put_file(sent, "k8", now + 60); }, ""},
        {"a file dated tomorrow", [&](MemoryFileSystem& fs) { fs.put_file(sent, "k8", now + kDay); },
         "future-time-stamp " + sent},
        {"a file three years old", [&](MemoryFileSystem& fs) { fs.put_file(sent, "k8", now - 3 * 366 * kDay); },
         "year-far-from-clock " + sent},
        {"an archive named after the clock's date",
         [](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/base/044/2016/P0044_Coteau_201601011200-1200.k8"), "k8");
         },
         "clock-before-archive " + native_path("/site/base/044/2016/P0044_Coteau_201601011200-1200.k8")},
        {"an archive named up to the clock's date",
         [](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/base/044/2015/P0044_Coteau_201503011200-1200.k8"), "k8");
         },
         ""},
    };
    for (const Case& c : cases) {
        const site::SiteCheck check = checked_healthy_site(c.change, site::Trace::Keep::nothing);
        std::vector<std::string> found;
        for (const site::ClockWarning& warning : check.clock_warnings)
            found.push_back(warning.code + " " + warning.path);
        EXPECT_EQ(found, c.warning.empty() ? std::vector<std::string>() : std::vector<std::string>{c.warning})
            << c.what;
        EXPECT_EQ(check.status(), c.warning.empty() ? 0 : 1) << c.what << "\n" << site::human_report(check);
        if (!c.warning.empty()) {
            EXPECT_EQ(site::verdict(check).find("CLOCK WRONG: 1"), 0u) << c.what << ": " << site::verdict(check);
        }
    }
}

// The archive audit over the healthy site after `change`: each finding as
// its code, its path below the base directory and, where it has one, the
// folder it would go to or its twin's path below the base directory.
std::vector<std::string> archive_findings(const std::function<void(MemoryFileSystem&)>& change,
                                          site::ArchiveAudit* kept = nullptr) {
    testing_site::FixedHost host(native_path("/pf"));
    MemoryFileSystem disk;
    healthy_site(disk);
    change(disk);
    const site::ArchiveAudit audit = site::audit_archive(disk, host, native_path("/site"));
    const std::string base = native_path("/site/base/");
    const auto below_base = [&](const std::string& path) {
        return path.compare(0, base.size(), base) == 0 ? path.substr(base.size()) : path;
    };
    std::vector<std::string> found;
    for (const site::ArchiveFinding& finding : audit.findings)
        found.push_back(finding.code + " " + below_base(finding.path) + (finding.would_go.empty() ? "" : " ") +
                        finding.would_go + (finding.same_as.empty() ? "" : " ") + below_base(finding.same_as));
    for (const site::Problem& problem : audit.problems) found.push_back(problem.code);
    if (kept != nullptr) *kept = audit;
    return found;
}

TEST(SiteCheck, ArchiveFindingsAndTheirCodes) {
    const std::time_t when = testing_site::march_1_2015_1420();
    sample::K7Fields fields;
    fields.number = 300;
    fields.par_name = "CIM300";
    const std::string k7 = sample::k7_file_bytes(fields);
    const std::string p = native_path("/site/base/");
    const std::string stamped = "P0300_Coteau_201503011420.K7";
    const auto at = [](const std::string& below) { return native_path("/site/base/" + below); };
    const auto in = [](std::string folder, const std::string& name) {
        std::replace(folder.begin(), folder.end(), '/', site::kPathSeparator);
        return folder + name;
    };
    struct Case {
        const char* what;
        std::function<void(MemoryFileSystem&)> change;
        std::vector<std::string> findings;
    };
    const std::vector<Case> cases = {
        {"an archive in order",
         [&](MemoryFileSystem& fs) {
             fs.put_file(at("300/2015/") + stamped, k7, when);
             fs.put_file(at("wetsensor/A001/wet_201503011420_A001.raw"), "wet", when);
             fs.put_file(p + "dirk7.txt", "", when);
             fs.put_file(native_path("/site/base/envoye/notes.txt"), "not the archive's", when);
             // A name without a year after its last '_' goes with its
             // photometer's other files.
             fs.put_file(at("044/2015/P0044_Coteau_01042015-2115.k8"), "k8", when);
         },
         {}},
        {"in another photometer's folder, and a twin of the one in place",
         [&](MemoryFileSystem& fs) {
             fs.put_file(at("300/2015/") + stamped, k7, when);
             fs.put_file(at("044/2015/") + stamped, k7, when);
         },
         {"misfiled " + in("044/2015/", stamped) + " 300/2015",
          "same-bytes " + in("044/2015/", stamped) + " " + in("300/2015/", stamped)}},
        {"the same size, other bytes; files too large to hash, compared whole",
         [&](MemoryFileSystem& fs) {
             fs.put_file(at("300/2015/") + stamped, k7, when);
             fs.put_file(at("300/2015/P0300_Coteau_201503011421.K7"), std::string(k7.size(), 'x'), when);
             const std::string large((16u << 20) + 1, 'k');
             fs.put_file(at("300/2015/P0300_Coteau_201503021420.K7"), large, when);
             fs.put_file(at("300/2015/P0300_Coteau_201503031420.K7"), large.substr(1) + "x", when);
             fs.put_file(at("300/2015/P0300_Coteau_201503041420.K7"), large, when);
         },
         {"same-bytes " + in("300/2015/", "P0300_Coteau_201503041420.K7") + " " +
          in("300/2015/", "P0300_Coteau_201503021420.K7")}},
        {"in another year's folder, and in the photometer's folder itself",
         [&](MemoryFileSystem& fs) {
             fs.put_file(at("300/2016/") + stamped, k7, when);
             fs.put_file(at("300/P0300_Coteau_201503011421.K7"), k7 + "1", when);
         },
         {"misfiled " + in("300/2016/", stamped) + " 300/2015",
          "misfiled " + in("300/", "P0300_Coteau_201503011421.K7") + " 300/2015"}},
        {"in another wet-sensor folder",
         [&](MemoryFileSystem& fs) { fs.put_file(at("wetsensor/A002/wet_201503011420_A001.raw"), "w", when); },
         {"misfiled " + in("wetsensor/A002/", "wet_201503011420_A001.raw") + " wetsensor/A001"}},
        {"names brasko would not take",
         [&](MemoryFileSystem& fs) {
             fs.put_file(at("300/2015/0300_Coteau_2015.K7"), k7, when);
             fs.put_file(at("300/2015/P300_Coteau_2015.K7"), k7 + "1", when);
             fs.put_file(at("wetsensor/A001/wet_A001.raw.txt"), "w", when);
             fs.put_file(at("300/2015/notes.txt"), "notes", when);
         },
         {"not-a-data-file " + in("300/2015/", "notes.txt"),
          "not-taken-by-brasko " + in("300/2015/", "0300_Coteau_2015.K7"),
          "not-taken-by-brasko " + in("300/2015/", "P300_Coteau_2015.K7"),
          "not-taken-by-brasko " + in("wetsensor/A001/", "wet_A001.raw.txt")}},
        {"a time stamp of another year than the name's, and one after the check",
         [&](MemoryFileSystem& fs) {
             fs.put_file(at("300/2015/") + stamped, k7, when - 366 * 86400);
             fs.put_file(at("300/2015/P0300_Coteau_201503011421.K7"), k7 + "1", when + 3600);
         },
         {"future-date " + in("300/2015/", "P0300_Coteau_201503011421.K7"),
          "year-differs " + in("300/2015/", stamped)}},
        {"short and empty files",
         [&](MemoryFileSystem& fs) {
             fs.put_file(at("300/2015/") + stamped, k7.substr(0, 135), when);
             fs.put_file(at("044/2015/P0044_Coteau_201503011420-1420.k8"), "", when);
         },
         {"empty-file " + in("044/2015/", "P0044_Coteau_201503011420-1420.k8"),
          "short-k7 " + in("300/2015/", stamped)}},
        {"the programs' own leftovers, and a folder in a year folder",
         [&](MemoryFileSystem& fs) {
             fs.put_file(at("300/2015/.P0300_Coteau_201503011420.K7.12-3.part"), k7, when);
             fs.put_file(p + "brasko-move.txt.12-1.not-a-record", "junk", when);
             fs.put_file(p + "dirk7-2.txt.new", "P03", when);
             fs.put_directory(at("300/2015/old"));
         },
         {"half-written-listing dirk7-2.txt.new",
          "own-temporary " + in("300/2015/", ".P0300_Coteau_201503011420.K7.12-3.part"),
          "record-set-aside brasko-move.txt.12-1.not-a-record", "stray-directory " + in("300/2015/", "old")}},
        {"no base directory",
         [](MemoryFileSystem& fs) { fs.move(native_path("/site/base"), native_path("/site/old")); },
         {"no-base-directory"}},
    };
    for (const Case& c : cases) {
        site::ArchiveAudit audit;
        EXPECT_EQ(archive_findings(c.change, &audit), c.findings) << c.what << "\n"
                                                                  << site::human_archive_report(audit);
        EXPECT_EQ(audit.status(), c.findings.empty()                           ? 0
                                  : c.what == std::string("no base directory") ? 2
                                                                               : 1)
            << c.what;
    }
}

// The table of folders gives the first and last dates that the names give;
// the report groups the findings under their codes; nothing is read that
// shares its size with no other file.
TEST(SiteCheck, ArchiveFoldersAndReports) {
    site::ArchiveAudit audit;
    archive_findings(
        [](MemoryFileSystem& fs) {
            for (const char* name : {"P0300_Coteau_201503051420.K7", "P0300_Coteau_201503011420.K7",
                                     "P0300_Coteau_201502281420.K7", "P0300_Coteau_2015.K7"})
                fs.put_file(native_path("/site/base/300/2015/") + name, name + std::string(200, 'k'),
                            testing_site::march_1_2015_1420());
            fs.put_file(native_path("/site/base/300/2015/notes.txt"), "n");
        },
        &audit);
    ASSERT_EQ(audit.folders.size(), 1u);
    const site::ArchiveFolder& folder = audit.folders[0];
    EXPECT_EQ(folder.folder, "300/2015");
    EXPECT_EQ(folder.files, 4u);
    EXPECT_EQ(folder.undated, 1u);
    EXPECT_EQ(folder.first_date + " " + folder.last_date, "2015-02-28 2015-03-05");
    EXPECT_EQ(audit.files, 5u);
    EXPECT_EQ(audit.files_read, 3u);  // the three names of one length
    const std::string text = site::human_archive_report(audit);
    EXPECT_NE(text.find("\nnot-a-data-file\n  " + native_path("/site/base/300/2015/notes.txt") + ": "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("FINDINGS: 1 finding(s) in 5 file(s)"), std::string::npos) << text;
    const std::string json = site::json_archive_report(audit, "9.9");
    EXPECT_NE(json.find(R"("by_code": {"not-a-data-file": 1})"), std::string::npos) << json;
    EXPECT_NE(
        json.find(
            R"({"folder": "300/2015", "files": 4, "undated": 1, "first_date": "2015-02-28", "last_date": "2015-03-05"})"),
        std::string::npos)
        << json;
}

TEST(SiteCheck, CommandLine) {
    EXPECT_TRUE(site::parse_check_options({"--archive"}).archive);
    EXPECT_TRUE(site::parse_check_options({"--json", "--trace"}).json);
    EXPECT_TRUE(site::parse_check_options({"--json", "--trace"}).trace);
    EXPECT_TRUE(site::parse_check_options({"/?"}).help);
    EXPECT_EQ(site::parse_check_options({"--dry"}).problem, "sitecheck: unknown argument --dry\n");
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(site::run_sitecheck({"--dry"}, sink, sink), 2);
    EXPECT_EQ(site::run_sitecheck({"--version"}, sink, sink), 0);
    std::fclose(sink);
}

}  // namespace
