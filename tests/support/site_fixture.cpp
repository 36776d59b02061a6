#include "tests/support/site_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>

#include "common/fs/paths.h"
#include "common/platform/platform.h"
#include "tests/support/test_platform.h"
#include "tools/sample_site.h"

namespace testing_site {

std::string unique_tag() {
    static unsigned counter = 0;
    unsigned value = (static_cast<unsigned>(site::process_id()) * 16u + counter++) % (36u * 36u * 36u * 36u);
    std::string tag;
    for (int i = 0; i < 4; ++i, value /= 36) tag.push_back("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[value % 36]);
    return tag;
}

std::string SiteFixture::program_files() const {
    const std::string shared = suite_setting("SITE_TEST_PROGRAM_FILES");
    return shared.empty() ? root_ / "Program Files" : shared;
}

std::string SiteFixture::program_files_shown() const {
    // Wine sets ProgramFiles(x86) itself, whatever the environment says,
    // and the 32-bit programs' folder is the one the Windows build reads.
    return testing_windows_build() ? "C:\\Program Files (x86)" : shown(program_files());
}

SiteFixture::~SiteFixture() { std::remove((program_files() + "/ASTPWin/PAR/" + par_name_ + ".PAR").c_str()); }

SiteFixture::SiteFixture() : par_name_("T" + unique_tag() + "300") {
    make_dirs(work());
    make_dirs(to_send());
    make_dirs(sent());
    make_dirs(program_files() + "/ASTPWin/PAR");
    write_file(work() + "/path_autok7.txt", sample::path_config_text(shown(base()), shown(to_send()), shown(sent())));
}

std::string SiteFixture::joined(const std::string& a, const std::string& b) { return a + program_separator() + b; }

void SiteFixture::write_site_file(const std::string& content) const {
    write_file(work() + "/electron-site.ini", content);
}

void SiteFixture::write_par(const std::string& content) const {
    write_file(program_files() + "/ASTPWin/PAR/" + par_name_ + ".PAR", content);
}

void SiteFixture::write_par_with_adr(int adr) const { write_par(par_text_with_adr(adr)); }

void SiteFixture::add_k7(const std::string& name, unsigned char byte3, unsigned char byte4, const std::string& par_name,
                         std::time_t when, size_t size) const {
    add_file(to_send(), name, k7_bytes(byte3, byte4, par_name, size), when);
}

void SiteFixture::add_file(const std::string& dir, const std::string& name, const std::string& content,
                           std::time_t when) const {
    write_file(dir + "/" + name, content);
    set_mtime(dir + "/" + name, when);
}

std::string par_text_with_adr(int adr) {
    return "ASTPWin parameters\r\nPort Com COM1 1 0 9600\r\nPhotometer SerialNumber S1 1 " + std::to_string(adr) +
           " 8\r\n";
}

std::string k7_bytes(unsigned char byte3, unsigned char byte4, const std::string& par_name, size_t size) {
    sample::K7Fields fields;
    fields.number = byte3 * 256u + byte4;
    fields.two_byte = true;
    fields.par_name = par_name;
    fields.size = size;
    return sample::k7_file_bytes(fields);
}

namespace interpreter_says {

namespace {

bool windows_interpreter() { return suite_setting("SITE_TEST_INTERPRETER") == "cmd"; }

std::string builtin_or_cmd(const std::string& builtin, const std::string& cmd) {
    return windows_interpreter() ? cmd : builtin;
}

}  // namespace

std::string nothing_listed() { return builtin_or_cmd("File Not Found\n", ""); }

std::string moved(const std::vector<std::string>& sources) {
    std::string text;
    for (const std::string& source : sources) text += source + "\n";
    return builtin_or_cmd(text + "        " + std::to_string(sources.size()) + " file(s) moved.\n", "");
}

std::string moved_one() { return builtin_or_cmd("        1 file(s) moved.\n", ""); }

std::string no_such_file() { return builtin_or_cmd("The system cannot find the file specified.\n", ""); }

std::string duplicate_name() {
    return builtin_or_cmd("A duplicate file name exists, or the file\ncannot be found.\n", "");
}

std::string bad_new_name() { return builtin_or_cmd("The syntax of the command is incorrect.\n", ""); }

std::string kept_existing(const std::string& source, const std::string& destination) {
    return builtin_or_cmd(source + "\nCannot create a file when that file already exists.\n",
                          "Overwrite " + destination + "? (Yes|No)");
}

std::string kept_existing_one(const std::string& destination) {
    return builtin_or_cmd("Cannot create a file when that file already exists.\n        0 file(s) moved.\n",
                          "Overwrite " + destination + "? (Yes|No)");
}

bool expands_variables() { return windows_interpreter(); }

std::optional<std::string> empty_directory_listing(const std::string& shown_directory) {
    if (windows_interpreter()) return std::nullopt;
    return " Directory of " + shown_directory +
           "\n\n               0 File(s)              0 bytes\n               0 Dir(s)\n";
}

std::string empty_directory_summary() { return builtin_or_cmd("0 File(s)", "0 files"); }

}  // namespace interpreter_says

std::time_t utc_time(int year, int month, int day, int hour, int minute) {
    return utc_time_of(sample::calendar_time(year, month, day, hour, minute));
}

std::time_t march_1_2015_1420() { return utc_time(2015, 3, 1, 14, 20); }

std::string with_clock_lines_masked(const std::string& trace) {
    static const std::regex time_line("Local time is: [^\n]*\n");
    static const std::regex asctime_form(
        "Local time is: (Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
        "[ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\nLocal year is: [0-9]{4}\n");
    std::string masked = std::regex_replace(trace, asctime_form, "Local time is: <clock>\nLocal year is: <year>\n");
    EXPECT_FALSE(std::regex_search(std::regex_replace(masked, std::regex("Local time is: <clock>\n"), ""), time_line))
        << "a clock line not in asctime form:\n"
        << trace;
    return masked;
}

std::string normalised_trace(const std::string& output) {
    std::string text;
    text.reserve(output.size());
    for (char c : output)
        if (c != '\r') text.push_back(c);
    return text;
}

}  // namespace testing_site
