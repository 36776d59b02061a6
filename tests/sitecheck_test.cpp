// sitecheck in this process, over a site held in memory: its verdict, the
// configuration problems it names, the reasons it reads from the traces,
// and its command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <algorithm>

#include "sitecheck/command_line.h"
#include "tests/support/fixed_host.h"
#include "common/fs/real_file_system.h"
#include "common/interpreter/interpreter.h"
#include "common/fs/memory_file_system.h"
#include "sitecheck/report.h"
#include "tools/sample_site.h"
#include "sitecheck/site_check.h"
#include "tests/support/site_fixture.h"
#include "stamper/stamping_pass.h"
#include "tests/support/temp_site.h"
#include "tests/support/test_platform.h"
#include "sitecheck/trace_reasons.h"

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

TEST(SiteCheck, VerdictAndProblems) {
    struct Case {
        const char* what;
        std::function<void(MemoryFileSystem&)> change;
        int status;
        std::string problem;  // a part of the first problem
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
         "the sent directory " + native_path("/site/base/envoye") + " does not exist"},
        {"no site file", [](MemoryFileSystem& fs) { fs.discard(native_path("/site/electron-site.ini")); }, 2,
         "no site name: " + native_path("/site/electron-site.ini") + " cannot be read"},
        {"no parameter file",
         [&](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/base/aenvoyer/03011420.K7"), sample::k7_file_bytes(k7),
                         testing_site::march_1_2015_1420());
         },
         2, "the parameter file " + native_path("/pf/ASTPWin/PAR/CIM300.PAR") + " is missing (needed by 1 .K7 file(s)"},
        // The files still wait when the configuration stops the programs.
        {"an empty base line",
         [](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/path_autok7.txt"),
                         sample::path_config_text("", native_path("/site/base/aenvoyer"), native_path("/site/base/envoye")));
             fs.put_file(native_path("/site/base/envoye/P0044_Coteau_2015.K7"), "sent");
         },
         2, "path_autok7.txt ne donne pas de repertoire de base : rien n est fait", 2},
        {"a path line cut by the line buffer",
         [](MemoryFileSystem& fs) {
             fs.put_file(native_path("/site/path_autok7.txt"),
                         sample::path_config_text(native_path("/site/base/") + std::string(200, 'x'),
                                                  native_path("/site/base/aenvoyer"), native_path("/site/base/envoye")));
         },
         2, native_path("/site/path_autok7.txt") + ": line 1 is longer than 199 characters"},
        {"a name the code page cannot spell",
         [](MemoryFileSystem& fs) { fs.put_file(native_path("/site/base/envoye/wet_<U+65E5>_A001.raw"), "x"); }, 1, "",
         1},
    };
    testing_site::FixedHost host(native_path("/pf"));
    for (const Case& c : cases) {
        MemoryFileSystem disk;
        healthy_site(disk);
        c.change(disk);
        const site::SiteCheck check = site::check_site(disk, host, native_path("/site"));
        EXPECT_EQ(check.status(), c.status) << c.what << "\n" << site::human_report(check);
        if (!c.problem.empty()) {
            ASSERT_FALSE(check.problems.empty()) << c.what;
            EXPECT_NE(check.problems[0].find(c.problem), std::string::npos) << c.what << ": " << check.problems[0];
        }
        EXPECT_NE(site::human_report(check).find(site::verdict(check)), std::string::npos) << c.what;
        if (c.staying >= 0) {
            EXPECT_EQ(std::count_if(check.files.begin(), check.files.end(),
                                    [](const site::FilePrediction& file) { return file.fate != site::Fate::Filed; }),
                      c.staying)
                << c.what << "\n" << site::human_report(check);
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

TEST(SiteCheck, ReasonsComeFromTheTraces) {
    const std::string stamper =
        "\nFichier 01.K7 File programmes: /pf\n  Pour le fichier C.PAR ADR=0 Nb=0 | pas de numero : /pf/C.PAR absent "
        "ou sans ligne Number, nom inchange\nFichier 02.K7 | longnomk7-->02.K7\nFichier INI  electron-site.ini\n"
        "New nom de Fichier P0001_S_2015 | j=12\n\nNew nom de Fichier P0001_S_201501010000.K7 \n\n"
        "A duplicate file name exists, or the file\ncannot be found.\n\nPlus de fichier\nVersion 2 (1/6/2007)\n";
    EXPECT_EQ(site::stamping_reason(stamper, "01.K7"),
              "pas de numero : /pf/C.PAR absent ou sans ligne Number, nom inchange");
    EXPECT_EQ(site::stamping_reason(stamper, "02.K7"), "A duplicate file name exists, or the file cannot be found.");
    EXPECT_EQ(site::stamping_reason(stamper, "03.K7"), "");

    const std::string filer =
        "\n\n-->P0044_a_2015.K7\n=1=>P0044_a_2015.K7\n=R=>le repertoire n existe pas 044\nDirectory created\n"
        "/s/P0044_a_2015.K7\nCannot create a file when that file already exists.\n/s/P0044_b_2015.K7\n"
        "        1 file(s) moved.\n=lcopy=>move /s/P0044_*.k? /b/044/2015\n\n-->P0300_x_0103.K7\n=1=>x\n"
        "=R=>nom de repertoire refuse, fichier laisse en place\n";
    EXPECT_EQ(site::filing_reason(filer, "P0044_a_2015.K7", "/s/P0044_a_2015.K7"),
              "Cannot create a file when that file already exists.");
    EXPECT_EQ(site::filing_reason(filer, "P0300_x_0103.K7", "/s/P0300_x_0103.K7"),
              "nom de repertoire refuse, fichier laisse en place");
    EXPECT_TRUE(site::is_collision("Cannot create a file when that file already exists."));
    EXPECT_FALSE(site::is_collision("nom de repertoire refuse, fichier laisse en place"));
}

TEST(SiteCheck, JsonGivesNamesByteForByte) {
    SKIP_WITHOUT_POSIX_ONLY_ENTRIES();
    testing_site::FixedHost host(native_path("/pf"));
    MemoryFileSystem disk;
    healthy_site(disk);
    disk.put_file(native_path("/site/base/envoye") + "/A\x1a\"\\\xe9.raw", "x");
    const std::string json = site::json_report(site::check_site(disk, host, native_path("/site")), "9.9");
    EXPECT_NE(json.find("\"name\": \"A\\u001a\\\"\\\\\\u00e9.raw\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"status\": 1,"), std::string::npos) << json;
}

TEST(SiteCheck, CommandLine) {
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
