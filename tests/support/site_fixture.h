// A measurement site in a temporary directory, for end-to-end runs of the
// programs: its working directory with path_autok7.txt, the base, to-send
// and sent directories, and a Program Files directory with PAR files.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/program_runner.h"
#include "tests/support/temp_site.h"

namespace testing_site {

class SiteFixture {
public:
    SiteFixture();
    ~SiteFixture();

    std::string work() const { return root_ / "work"; }
    std::string base() const { return root_ / "base"; }
    std::string to_send() const { return root_ / "base/aenvoyer"; }
    std::string sent() const { return root_ / "base/envoye"; }
    // The Program Files directory the programs read (under Wine, the one
    // that Wine sets, shared by all tests), and as they name it.
    std::string program_files() const;
    std::string program_files_shown() const;
    // A parameter file name (without ".PAR") that no other test uses, so
    // that tests may share a Program Files directory.
    std::string par_name() const { return par_name_; }

    // The same paths as the programs under test write them.
    std::string shown(const std::string& path) const { return program_path(path); }
    // `a`, the programs' separator, `b`.
    static std::string joined(const std::string& a, const std::string& b);

    void write_site_file(const std::string& content) const;
    // par_name() + ".PAR" with `content`; removed again with the fixture.
    void write_par(const std::string& content) const;
    // A PAR file whose record gives `adr` and Nb 8.
    void write_par_with_adr(int adr) const;

    // A .K7 file (k7_bytes) in the to-send directory with the modification
    // time `when`.
    void add_k7(const std::string& name, unsigned char byte3, unsigned char byte4, const std::string& par_name,
                std::time_t when, size_t size = 1024) const;
    // Any other file with the given content and time.
    void add_file(const std::string& dir, const std::string& name, const std::string& content, std::time_t when) const;

    // Runs of the programs (site_runs.cpp, in the native build only); the
    // stamper with the site's clock in `time_zone` (a TZ value).
    ProgramRun run_stamper(const std::string& time_zone = "UTC") const;
    ProgramRun run_filer() const;

private:
    TempDir root_;
    std::string par_name_;
};

// What a site's files hold, for sites on the disk and in memory alike: a
// parameter file whose Number record gives `adr` and Nb 8, and a .K7 file
// with the number bytes 3 and 4 and the PAR name at 128.
std::string par_text_with_adr(int adr);
std::string k7_bytes(unsigned char byte3, unsigned char byte4, const std::string& par_name, size_t size = 1024);

// What the command interpreter prints on the console, in one place. The
// built-in interpreter's words are checked exactly. Under the system() route
// the Windows command interpreter prints its own: Wine's writes its errors
// and "File Not Found" to its error output (not part of the trace) and says
// nothing on a successful move, and it words the refusal to replace a file as
// a question. The tests tolerate these differences in wording only; where
// files end up is checked the same way for every build.
// SITE_TEST_INTERPRETER=cmd selects the Wine command interpreter's words.
namespace interpreter_says {
std::string nothing_listed();
std::string moved(const std::vector<std::string>& sources);
std::string moved_one();
std::string no_such_file();
std::string duplicate_name();
std::string bad_new_name();
std::string kept_existing(const std::string& source, const std::string& destination);
std::string kept_existing_one(const std::string& destination);
std::string empty_directory_summary();
// Whether %NAME% in a name is replaced by a set variable's value.
bool expands_variables();
// What "dir" prints for an empty directory, when the wording is known
// exactly (the built-in interpreter's); nothing otherwise.
std::optional<std::string> empty_directory_listing(const std::string& shown_directory);
}  // namespace interpreter_says

// 1 March 2015 at 14:20 in the tests' time zone (UTC).
std::time_t march_1_2015_1420();
std::time_t utc_time(int year, int month, int day, int hour, int minute);

// The trace with its two clock lines reduced to their form, so that it can
// be compared whatever the time of the run:
//   "Local time is: <clock>\n" and "Local year is: <year>\n".
// Fails the current test if a clock line is not in asctime form.
std::string with_clock_lines_masked(const std::string& trace);

// A tag of four characters that no concurrent test process shares.
std::string unique_tag();

// The trace as a native build would print it (carriage returns that the
// Windows console layer adds are dropped).
std::string normalised_trace(const std::string& output);

}  // namespace testing_site
