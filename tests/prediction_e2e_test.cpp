// sitecheck's prediction against what really happens: on generated sites
// with collisions, hostile names and missing parameter files, the dry run
// changes nothing, and then tolvik, the transfer and brasko put every file
// exactly where it said, file by file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/program_runner.h"
#include "tests/support/site_fixture.h"
#include "tests/support/temp_site.h"
#include "tests/support/test_platform.h"
#include "tools/sample_site.h"

namespace {

using testing_site::files_below;
using testing_site::write_file;

void append_utf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
        return;
    }
    if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (code & 0x3F));
}

// The value of a string field in one line of sitecheck's JSON, in UTF-8.
std::string json_field(const std::string& line, const std::string& key) {
    const std::string start = "\"" + key + "\": \"";
    size_t at = line.find(start);
    if (at == std::string::npos) return std::string();
    std::string value;
    for (at += start.size(); at < line.size() && line[at] != '"'; ++at) {
        if (line[at] != '\\') {
            value += line[at];
        } else if (line[at + 1] == 'u') {
            unsigned code = static_cast<unsigned>(std::stoul(line.substr(at + 2, 4), nullptr, 16));
            at += 5;
            if (code >= 0xD800 && code < 0xDC00) {  // a surrogate pair
                code = 0x10000 + ((code - 0xD800) << 10) +
                       (static_cast<unsigned>(std::stoul(line.substr(at + 3, 4), nullptr, 16)) - 0xDC00);
                at += 6;
            }
            append_utf8(value, code);
        } else {
            value += line[++at];
        }
    }
    return value;
}

// A character that the Windows programs cannot spell, "<U+XXXX>", in the
// UTF-8 of the names on this machine's disk.
std::string utf8_of_unspellable(const std::string& path) {
    std::string out;
    for (size_t at = 0; at < path.size();) {
        if (path.compare(at, 3, "<U+") != 0) {
            out += path[at++];
            continue;
        }
        const size_t end = path.find('>', at);
        append_utf8(out, static_cast<unsigned>(std::stoul(path.substr(at + 3, end - at - 3), nullptr, 16)));
        at = end + 1;
    }
    return out;
}

// A path as the programs under test wrote it, as a path of this machine.
std::string local_path(std::string path) {
    if (!testing_site::testing_windows_build() || path.empty()) return path;
    if (path.compare(0, 2, "Z:") == 0) path.erase(0, 2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return utf8_of_unspellable(path);
}

// A path as the site's file system compares it: without regard to case
// for the Windows programs.
std::string folded(std::string path) {
    if (testing_site::testing_windows_build())
        for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path;
}

// Where sitecheck says each file ends, by its path now ("" when it goes).
std::map<std::string, std::string> predicted_places(const std::string& json) {
    std::map<std::string, std::string> places;
    size_t start = 0;
    for (size_t end; (end = json.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = json.substr(start, end - start);
        if (line.find("{\"directory\": ") == std::string::npos) continue;
        places[folded(local_path(json_field(line, "path")))] = local_path(json_field(line, "final_path"));
    }
    return places;
}

// Where each file really ended: where it was, or else found by its bytes,
// not at a place that already held the same bytes before the run ("" when
// it is gone).
std::string real_place(const std::string& original, const std::map<std::string, std::string>& before,
                       const std::map<std::string, std::string>& after) {
    const std::string& bytes = before.at(original);
    const auto stayed = after.find(original);
    if (stayed != after.end() && stayed->second == bytes) return original;
    std::vector<std::string> found;
    for (const auto& [path, content] : after) {
        if (content != bytes) continue;
        const auto earlier = before.find(path);
        if (earlier == before.end() || earlier->second != bytes) found.push_back(path);
    }
    return found.size() == 1 ? found[0] : found.empty() ? std::string() : "(several places)";
}

// The reasons sitecheck gives for the files, from their lines of JSON: the
// program each is from and that program's own words.
std::vector<std::pair<std::string, std::string>> foretold_reasons(const std::string& json) {
    std::vector<std::pair<std::string, std::string>> reasons;
    size_t start = 0;
    for (size_t end; (end = json.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = json.substr(start, end - start);
        if (line.find("{\"directory\": ") == std::string::npos) continue;
        for (size_t at = line.find("\"reasons\": ["); (at = line.find("{\"code\": ", at)) != std::string::npos;) {
            const std::string reason = line.substr(at++);
            reasons.emplace_back(json_field(reason, "program"), json_field(reason, "text"));
        }
    }
    return reasons;
}

// What a hostile site adds to the generated one: files that collide with
// the archive, names the programs refuse or cannot take, and, on odd seeds,
// a missing parameter file.
void add_hostile_files(const std::string& site, const sample::SiteOptions& options, unsigned seed) {
    const std::string tag = std::to_string(seed);
    testing_site::make_dirs(site + "/base/044/2015");
    testing_site::make_dirs(site + "/base/007/2015");
    struct Planted {
        std::string path;  // below the site; the tag goes before the extension
        const char* content;
    };
    const std::vector<Planted> planted = {
        // The same name in the archive with other bytes, and with the same bytes.
        {"base/envoye/P0044_Coteau_20150101999.K7", "waiting"},
        {"base/044/2015/P0044_Coteau_20150101999.K7", "archived, other bytes"},
        {"base/envoye/P0007_Coteau_20150101998.K7", "archived twice"},
        {"base/007/2015/P0007_Coteau_20150101998.K7", "archived twice"},
        // Names the filer does not take, or refuses.
        {"base/envoye/notes.txt", "notes"},
        {"base/envoye/P0044_x_0103.K7", "not a year"},
        {"base/envoye/wet__..raw", "a dot directory"},
        {"base/envoye/P12345_Coteau_2015.K7", "five digits"},
        {"base/aenvoyer/x y.K8", "a blank"},
        {"base/aenvoyer/short.K7", "too short"},
        // The same name and bytes waiting to be sent and already sent: the
        // transfer leaves the one, brasko files the other.
        {"base/aenvoyer/wet__B001.raw", "sent twice"},
        {"base/envoye/wet__B001.raw", "sent twice"},
        // Sub-directory names with trailing dots or a blank, which Windows
        // drops, and names Windows keeps for devices.
        {"base/envoye/wet__A1..raw", "trailing dots"},
        {"base/envoye/wet__A01.raw", "a trailing dot"},
        {"base/envoye/wet__x y.raw", "a blank and a dot"},
        {"base/envoye/wet__COM1.raw", "a device"},
        {"base/envoye/wet__CON.raw", "a device once the dot goes"},
    };
    for (const Planted& file : planted) {
        std::string path = site + "/" + file.path;
        const size_t wet = path.find("wet__");
        path.insert(wet != std::string::npos ? wet + 4 : path.rfind('.'), tag);
        write_file(path, std::string(file.content) + " " + tag);
    }
    // A name that Windows cannot hold: Wine does not show it to the programs.
    if (!testing_site::testing_windows_build()) {
        write_file(site + "/base/aenvoyer/A\x1a_" + tag + ".raw", "end-of-data byte " + tag);
        write_file(site + "/base/aenvoyer/CON.K7", "a device name " + tag);
    }
    // A file at brasko's record name that is not a record: brasko sets it
    // aside and goes on.
    if (seed == 2) write_file(site + "/base/brasko-move.txt", std::string(512, '\0'));
    // tolvik killed while it proved a second copy: the file under its aside
    // name, which the next run puts back first.
    if (seed == 3 && !testing_site::testing_windows_build()) {
        const std::string to_send = site + "/base/aenvoyer/";
        write_file(to_send + ".P0044_0302.K8.77-1.aside", "set aside " + tag);
        testing_site::set_mtime(to_send + ".P0044_0302.K8.77-1.aside", testing_site::utc_time(2015, 3, 2, 12, 0));
        write_file(site + "/base/tolvik-move.txt", "brasko move record 1\n" + to_send + "P0044_0302.K8\n" + to_send +
                                                       "P0044_Coteau_201503021200-1200.k8\n" + to_send +
                                                       ".P0044_0302.K8.77-1.aside\n");
    }
    // Device names, and names outside the Windows code page (which an NTFS
    // disk can hold), sent: brasko never lists the ones, and the Windows
    // brasko cannot open the others.
    for (const char* name : {"NUL.K7", "con.K8", "Com1.raw", "P1234_\xD0\x96_2015.K7", "wet_\xE6\x97\xA5_A001.raw"})
        write_file(site + "/base/envoye/" + name, std::string(name) + " " + tag);
    // Files of July and of January in a site in Paris: one of them is always
    // in the other season than the run.
    for (const auto& [name, month] : {std::pair<const char*, int>{"P0044_0701.K8", 7}, {"P0044_0115.K8", 1}}) {
        write_file(site + "/base/aenvoyer/" + name, std::string(name) + " " + tag);
        testing_site::set_mtime(site + "/base/aenvoyer/" + name, testing_site::utc_time(2015, month, 1, 12, 0));
    }
    // On the Windows programs, the paths in another case than on the disk.
    if (testing_site::testing_windows_build() && seed == 4) {
        std::string config = testing_site::read_file(site + "/path_autok7.txt");
        for (char& c : config) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        write_file(site + "/path_autok7.txt", config);
    }
    // An archive folder that is a dangling link: what stands there is what the
    // file system says (Wine hides such a link from every look yet refuses
    // to make a directory at its name, so only the native programs have it).
    if (!testing_site::testing_windows_build() && seed == 2) {
        ASSERT_EQ(::symlink((site + "/nowhere").c_str(), (site + "/base/1234").c_str()), 0);
    }
    if (seed % 2 == 1)
        std::remove(
            (options.program_files + "/ASTPWin/PAR/" + sample::par_name_for(options.par_prefix, 300) + ".PAR").c_str());
}

// What the comparisons with the real cycle counted.
struct Tally {
    int sites = 0, files = 0, mismatches = 0, reasons = 0, unsaid = 0;
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs the real cycle over the site below `root`, and compares each
// waiting file's place, and each reason in a program's words, with what
// sitecheck said in `json` of the site as it was (`before`).
struct CycleSaid {
    std::string stamper, filer;
};

// One real cycle over the site below `root`: tolvik and brasko started in
// `run_in`, the transfer as a rename of each file that sent does not hold
// yet; what the two programs printed.
CycleSaid run_cycle(const std::string& root, const std::string& run_in, const Environment& environment) {
    CycleSaid said;
    said.stamper = testing_site::run_program(testing_site::Program::Stamper, run_in, environment).output;
    const std::string to_send = root + "/base/aenvoyer", sent = root + "/base/envoye";
    for (const std::string& name : testing_site::names_in(to_send))
        if (!testing_site::exists(sent + "/" + name))
            std::rename((to_send + "/" + name).c_str(), (sent + "/" + name).c_str());
    said.filer = testing_site::run_program(testing_site::Program::Filer, run_in, environment).output;
    return said;
}

void compare_with_cycle(const std::string& root, const std::string& run_in, const Environment& environment,
                        const std::string& json, const std::map<std::string, std::string>& before, Tally& tally) {
    const std::map<std::string, std::string> predicted = predicted_places(json);
    const CycleSaid said = run_cycle(root, run_in, environment);
    const std::string &stamper_said = said.stamper, &filer_said = said.filer;
    const std::map<std::string, std::string> after = files_below(root);
    // Each reason foretold in a program's words is what that program
    // then said.
    for (const auto& [program, text] : foretold_reasons(json)) {
        if (program != "tolvik" && program != "brasko") continue;
        ++tally.reasons;
        const std::string& said = program == "tolvik" ? stamper_said : filer_said;
        if (utf8_of_unspellable(said).find(utf8_of_unspellable(text)) == std::string::npos) {
            ++tally.unsaid;
            ADD_FAILURE() << program << " did not say: " << text << "\n" << said;
        }
    }

    ++tally.sites;
    for (const auto& [relative, bytes] : before) {
        if (relative.rfind("base/aenvoyer/", 0) != 0 && relative.rfind("base/envoye/", 0) != 0) continue;
        ++tally.files;
        const std::string original = root + "/" + relative;
        const auto foretold = predicted.find(folded(original));
        const std::string real = real_place(relative, before, after);
        const std::string real_path = real.empty() ? real : root + "/" + real;
        if (foretold == predicted.end() || folded(foretold->second) != folded(real_path)) {
            ++tally.mismatches;
            ADD_FAILURE() << original << ": foretold "
                          << (foretold == predicted.end() ? "nothing" : "'" + foretold->second + "'") << ", really '"
                          << real_path << "'\n"
                          << json;
        }
    }
}

TEST(Prediction, SitecheckForetellsEveryFilesPlaceAndChangesNothing) {
    if (testing_site::suite_setting("SITE_TEST_INTERPRETER") == "cmd")
        GTEST_SKIP() << "sitecheck runs the built-in interpreter; the system() route's moves are the Windows one's";
    const testing_site::SiteFixture fixture;
    const std::vector<std::pair<std::string, std::string>> environment = {
        {"TZ", "Europe/Paris"}, {"ProgramFiles", fixture.program_files_shown()}};
    Tally tally;
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        testing_site::TempDir tmp;
        sample::SiteOptions options;
        options.dir = tmp / "site";
        options.files = 40;
        options.photometers = {300, 44, 1234, 7};
        options.size = 1024;
        options.seed = seed;
        options.windows_paths = testing_site::testing_windows_build();
        options.program_files = fixture.program_files();
        options.par_prefix = testing_site::unique_tag();
        const std::string site = sample::write_sample_site(options);
        add_hostile_files(site, options, seed);
        const std::map<std::string, std::string> before = files_below(site);

        testing_site::RunConditions json;
        json.arguments = {"--json"};
        const auto check = testing_site::run_program(testing_site::Program::SiteCheck, site, environment, json);
        EXPECT_EQ(files_below(site), before) << "sitecheck changed the site";
        std::vector<std::string> archive = {"007", "044", "aenvoyer", "envoye"};
        if (!testing_site::testing_windows_build() && seed == 2) archive.insert(archive.begin() + 2, "1234");
        if (seed == 2) archive.insert(archive.end() - 1, "brasko-move.txt");
        if (seed == 3 && !testing_site::testing_windows_build()) archive.push_back("tolvik-move.txt");
        EXPECT_EQ(testing_site::names_in(site + "/base"), archive);
        EXPECT_EQ(check.status, seed % 2 == 1 ? 2 : 1) << check.output;
        const std::map<std::string, std::string> predicted = predicted_places(check.output);

        compare_with_cycle(site, site, environment, check.output, before, tally);
    }
    std::fprintf(stderr,
                 "[ prediction ] %d sites, %d files, %d mismatches; %d reasons in the programs' words, %d not said\n",
                 tally.sites, tally.files, tally.mismatches, tally.reasons, tally.unsaid);
}

// Small sites, each with a case that sitecheck once foretold wrongly: the
// places and the reasons it gives now are what the real cycle does and says.
TEST(Prediction, SmallSitesWithOneHardCaseEach) {
    if (testing_site::suite_setting("SITE_TEST_INTERPRETER") == "cmd")
        GTEST_SKIP() << "sitecheck runs the built-in interpreter; the system() route's moves are the Windows one's";
    const bool posix = !testing_site::testing_windows_build();
    struct Case {
        const char* what;
        bool runs;         // on this build
        const char* code;  // a reason sitecheck gives; nullptr: none looked for
        std::function<void(const testing_site::SiteFixture&)> plant;
    };
    const std::vector<Case> cases = {
        {"a name with a colon alone in sent", posix, "not-a-windows-name",
         [](const testing_site::SiteFixture& site) {
             site.add_file(site.sent(), "P0300_Coteau_2015:1.K7", "colon", testing_site::march_1_2015_1420());
         }},
        {"sent a link into the archive folder its file belongs in", posix, "same-file",
         [](const testing_site::SiteFixture& site) {
             testing_site::make_dirs(site.base() + "/300/2015");
             site.add_file(site.base() + "/300/2015", "P0300_Coteau_2015.K7", "archived",
                           testing_site::march_1_2015_1420());
             ::rmdir(site.sent().c_str());
             ASSERT_TRUE(testing_site::make_symbolic_link(site.base() + "/300/2015", site.sent()));
         }},
        {"sent configured through a link to the base directory", posix, nullptr,
         [](const testing_site::SiteFixture& site) {
             const std::string root = site.base().substr(0, site.base().size() - std::string("/base").size());
             ASSERT_TRUE(testing_site::make_symbolic_link(site.base(), root + "/link"));
             testing_site::write_file(site.work() + "/path_autok7.txt",
                                      sample::path_config_text(site.base(), site.to_send(), root + "/link/envoye"));
             site.add_file(site.sent(), "P0300_Coteau_2015.K7", "k7", testing_site::march_1_2015_1420());
         }},
        // Wine, over a POSIX disk, says a path with a name too long is not
        // found, where Windows says the name is too long.
        {"a new name longer than a file system holds", posix, "name-too-long",
         [](const testing_site::SiteFixture& site) {
             site.write_site_file(sample::site_file_text(std::string(240, 'C')));
             site.add_file(site.to_send(), "P0044_0301.K8", "k8", testing_site::march_1_2015_1420());
         }},
        {"a stamped name longer than a line of the listing", true, "listed-name-too-long",
         [](const testing_site::SiteFixture& site) {
             site.add_file(site.sent(), "P0300_Coteau_2015" + std::string(190, 'x') + ".K7", "long",
                           testing_site::march_1_2015_1420());
         }},
    };
    Tally tally;
    for (const Case& c : cases) {
        if (!c.runs) continue;
        SCOPED_TRACE(c.what);
        const testing_site::SiteFixture site;
        site.write_site_file(sample::site_file_text("Coteau"));
        c.plant(site);
        const std::string root = site.base().substr(0, site.base().size() - std::string("/base").size());
        const Environment environment = {{"TZ", "UTC"}, {"ProgramFiles", site.program_files_shown()}};
        const std::map<std::string, std::string> before = files_below(root);
        testing_site::RunConditions json;
        json.arguments = {"--json"};
        const auto check = testing_site::run_program(testing_site::Program::SiteCheck, site.work(), environment, json);
        EXPECT_EQ(files_below(root), before) << "sitecheck changed the site";
        if (c.code != nullptr) {
            EXPECT_NE(check.output.find(std::string("{\"code\": \"") + c.code + "\""), std::string::npos)
                << check.output;
        }
        compare_with_cycle(root, site.work(), environment, check.output, before, tally);
    }
    std::fprintf(stderr, "[ prediction ] %d small sites, %d files, %d mismatches; %d reasons, %d not said\n",
                 tally.sites, tally.files, tally.mismatches, tally.reasons, tally.unsaid);
}

// Archive directories the programs' account cannot write: the dry run,
// under the same account, foretells that the files stay, as they do.
TEST(Prediction, ADirectoryTheAccountCannotWriteIsForetold) {
    if (testing_site::testing_windows_build()) GTEST_SKIP() << "permissions are a POSIX test";
    testing_site::SiteFixture site;
    site.write_site_file(sample::site_file_text("Coteau"));
    testing_site::make_dirs(site.base() + "/044");
    testing_site::make_dirs(site.base() + "/300/2015");
    for (const char* name : {"P0044_Coteau_2015.K7", "P0300_Coteau_2015.K7"})
        site.add_file(site.sent(), name, name, testing_site::march_1_2015_1420());
    // Run as nobody: every directory may be entered, and all but the two
    // archive directories may be written.
    for (const std::string& dir : {site.work() + "/..", site.work(), site.base(), site.sent(), site.to_send()})
        ::chmod(dir.c_str(), 0777);
    for (const std::string& dir : {site.base() + "/044", site.base() + "/300/2015"}) ::chmod(dir.c_str(), 0555);
    testing_site::RunConditions as_nobody{true, 0, 0};
    as_nobody.arguments = {"--json"};
    const auto check =
        testing_site::run_program(testing_site::Program::SiteCheck, site.work(), {{"TZ", "UTC"}}, as_nobody);
    const auto filed =
        testing_site::run_program(testing_site::Program::Filer, site.work(), {{"TZ", "UTC"}}, {true, 0, 0});
    for (const std::string& dir : {site.base() + "/044", site.base() + "/300/2015"}) ::chmod(dir.c_str(), 0755);
    EXPECT_EQ(filed.status, 0);
    EXPECT_NE(filed.output.find("Access is denied.\n"), std::string::npos) << filed.output;
    EXPECT_NE(filed.output.find("Unable to create directory of photometer\n"), std::string::npos) << filed.output;
    EXPECT_EQ(testing_site::names_in(site.sent()),
              (std::vector<std::string>{"P0044_Coteau_2015.K7", "P0300_Coteau_2015.K7"}));
    EXPECT_EQ(check.status, 1) << check.output;
    const std::map<std::string, std::string> predicted = predicted_places(check.output);
    for (const char* name : {"P0044_Coteau_2015.K7", "P0300_Coteau_2015.K7"})
        EXPECT_EQ(predicted.at(site.sent() + "/" + name), site.sent() + "/" + name) << check.output;
}

// The audit of an archive that the real cycle built finds nothing; the
// same archive after a copy by hand into another photometer's folder, an
// empty file and a stopped move's copy shows each of them; neither audit
// changes a byte.
TEST(Prediction, TheArchiveAuditOfARealCycle) {
    const testing_site::SiteFixture fixture;
    testing_site::TempDir tmp;
    sample::SiteOptions options;
    options.dir = tmp / "site";
    options.files = 40;
    options.photometers = {300, 44};
    options.size = 1024;
    options.windows_paths = testing_site::testing_windows_build();
    options.program_files = fixture.program_files();
    options.par_prefix = testing_site::unique_tag();
    const std::string site = sample::write_sample_site(options);
    const Environment environment = {{"TZ", "Europe/Paris"}, {"ProgramFiles", fixture.program_files_shown()}};
    run_cycle(site, site, environment);
    testing_site::RunConditions json;
    json.arguments = {"--archive", "--json"};
    const auto audit = [&] {
        const std::map<std::string, std::string> before = files_below(site);
        const auto run = testing_site::run_program(testing_site::Program::SiteCheck, site, environment, json);
        EXPECT_EQ(files_below(site), before) << "the audit changed the site";
        return run;
    };
    const auto clean = audit();
    EXPECT_EQ(clean.status, 0) << clean.output;
    EXPECT_NE(clean.output.find("\"findings\": [],"), std::string::npos) << clean.output;
    EXPECT_NE(clean.output.find("{\"folder\": \"300/2015\", \"files\": "), std::string::npos) << clean.output;

    const std::vector<std::string> archived = testing_site::names_in(site + "/base/300/2015");
    ASSERT_FALSE(archived.empty());
    testing_site::make_dirs(site + "/base/44/2015");
    write_file(site + "/base/44/2015/" + archived[0], testing_site::read_file(site + "/base/300/2015/" + archived[0]));
    write_file(site + "/base/300/2015/P0300_Coteau_201501020304.K7", "");
    write_file(site + "/base/300/2015/." + archived[1] + ".4242-1.part", "a stopped copy");
    const auto found = audit();
    EXPECT_EQ(found.status, 1) << found.output;
    for (const char* code : {"misfiled", "same-bytes", "empty-file", "own-temporary"})
        EXPECT_NE(found.output.find(std::string("{\"code\": \"") + code + "\""), std::string::npos) << code << "\n"
                                                                                                    << found.output;
    EXPECT_NE(found.output.find("\"would_go\": \"300/2015\""), std::string::npos) << found.output;
}

}  // namespace
