#include "tests/support/memory_site.h"

#include <algorithm>

#include "common/interpreter/interpreter.h"
#include "filer/filing_pass.h"
#include "stamper/stamping_pass.h"
#include "tests/support/site_fixture.h"
#include "tests/support/temp_site.h"
#include "tools/sample_site.h"

namespace testing_site {

MemorySite::MemorySite()
    : host(native_path("/pf")),
      work_(native_path("/site/work")),
      base_(native_path("/site/base")),
      to_send_(native_path("/site/base/aenvoyer")),
      sent_(native_path("/site/base/envoye")) {
    host.start = work_;
    fs.put_file(work_ + "/path_autok7.txt", sample::path_config_text(base_, to_send_, sent_));
    fs.put_directory(to_send_);
    fs.put_directory(sent_);
    fs.put_directory(program_files() + "/ASTPWin/PAR");
}

void MemorySite::write_site_file(const std::string& content) { fs.put_file(work_ + "/electron-site.ini", content); }

void MemorySite::write_par(const std::string& content) {
    fs.put_file(program_files() + "/ASTPWin/PAR/" + par_name() + ".PAR", content);
}

void MemorySite::write_par_with_adr(int adr) { write_par(par_text_with_adr(adr)); }

void MemorySite::add_k7(const std::string& name, unsigned char byte3, unsigned char byte4, const std::string& par_name,
                        std::time_t when, std::size_t size) {
    add_file(to_send_, name, k7_bytes(byte3, byte4, par_name, size), when);
}

void MemorySite::add_file(const std::string& dir, const std::string& name, const std::string& content,
                          std::time_t when) {
    fs.put_file(dir + "/" + name, content, when);
}

// Started where the programs are, with the interpreter the built-in route
// makes.
std::string MemorySite::stamp() {
    site::Trace trace;
    site::BuiltinInterpreter interpreter(trace, fs, host.start_directory(), host);
    site::run_stamping_pass(trace, interpreter, fs, host);
    return trace.text();
}

std::string MemorySite::file() {
    site::Trace trace;
    site::BuiltinInterpreter interpreter(trace, fs, host.start_directory(), host);
    site::run_filing_pass(trace, interpreter, fs);
    return trace.text();
}

std::vector<std::string> MemorySite::names_in(const std::string& dir) {
    std::vector<std::string> names;
    for (const site::DirectoryEntry& entry : fs.list(dir).value_or(std::vector<site::DirectoryEntry>()))
        names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

void MemorySite::collect_files(const std::string& root, const std::string& relative,
                               std::map<std::string, std::string>& files) {
    for (const std::string& name : names_in(relative.empty() ? root : root + "/" + relative)) {
        const std::string child = relative.empty() ? name : relative + "/" + name;
        const std::optional<site::FileInfo> info = fs.info(root + "/" + child);
        if (!info) continue;
        if (info->is_directory)
            collect_files(root, child, files);
        else if (info->is_regular)
            files[child] = read_file(root + "/" + child);
    }
}

std::map<std::string, std::string> MemorySite::files_below(const std::string& root) {
    std::map<std::string, std::string> files;
    collect_files(root, "", files);
    return files;
}

std::string MemorySite::read_file(const std::string& path) {
    const site::FileRead read = fs.read(path);
    return read.status == site::FsStatus::Ok ? read.bytes : "<missing>";
}

}  // namespace testing_site
