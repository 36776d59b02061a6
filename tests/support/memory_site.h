// A measurement site held in memory, for the passes in this process: laid
// out as SiteFixture lays one out on the disk (a working directory with
// path_autok7.txt beside the base directory and its to-send and sent
// directories; a Program Files folder with the parameter files), on a
// machine of its own (FixedHost: UTC, a clock that stands still). Each pass
// runs with the built-in interpreter, as the programs do; nothing starts a
// process or touches the disk.
#pragma once

#include <cstddef>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "common/fs/memory_file_system.h"
#include "tests/support/fixed_host.h"

namespace testing_site {

class MemorySite {
public:
    MemorySite();

    // Whole paths on this platform (native_path).
    std::string work() const { return work_; }
    std::string base() const { return base_; }
    std::string to_send() const { return to_send_; }
    std::string sent() const { return sent_; }
    std::string program_files() const { return host.program_files; }
    static std::string par_name() { return "CIM300"; }

    void write_site_file(const std::string& content);
    // par_name() + ".PAR" with `content`.
    void write_par(const std::string& content);
    void write_par_with_adr(int adr);
    // As SiteFixture's: a .K7 file (k7_bytes) in the to-send directory, and
    // any other file, with the modification time `when`.
    void add_k7(const std::string& name, unsigned char byte3, unsigned char byte4, const std::string& par_name,
                std::time_t when, std::size_t size = 1024);
    void add_file(const std::string& dir, const std::string& name, const std::string& content, std::time_t when);

    // One run of a pass; its trace.
    std::string stamp();
    std::string file();

    // As the functions of temp_site.h do on the disk: the names in one
    // directory, sorted; every regular file below a directory by its path
    // relative to it, written with '/', with its content; a file's content,
    // "<missing>" when it is not there.
    std::vector<std::string> names_in(const std::string& dir);
    std::map<std::string, std::string> files_below(const std::string& root);
    std::string read_file(const std::string& path);

    site::MemoryFileSystem fs;
    FixedHost host;

private:
    void collect_files(const std::string& root, const std::string& relative, std::map<std::string, std::string>& files);

    std::string work_, base_, to_send_, sent_;
};

}  // namespace testing_site
