// The floor of the benchmark: only the file-system work that stamping and
// filing require, with no trace and no command interpreter.
//
//   floor stamp SITE   per .K? file of SITE/base/aenvoyer: open it, read the
//                      header bytes and the time stamp, read the site file,
//                      and for a .K7 file the parameter file and path.txt
//                      (written), rename it.
//   floor file SITE    per file of SITE/base/envoye: check (and create) its
//                      archive directories, rename it into them; before a
//                      wet-sensor file, print its directory's listing, as
//                      the filer's trace does.
// SITE is a folder written by make_sample_site; run from anywhere.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<std::string> names_in(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(d))
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        ::closedir(d);
    }
    return names;
}

std::string slurp(const std::string& path) {
    std::string content;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
        std::fclose(file);
    }
    return content;
}

void stamp(const std::string& site) {
    const std::string to_send = site + "/base/aenvoyer/";
    const std::string par_dir = site + "/Program Files/ASTPWin/PAR/";
    for (const std::string& name : names_in(to_send)) {
        const size_t dot = name.rfind(".K");
        if (dot == std::string::npos || dot + 3 != name.size()) continue;
        std::FILE* file = std::fopen((to_send + name).c_str(), "rb");
        if (file == nullptr) continue;
        unsigned char header[136] = {0};
        const size_t got = std::fread(header, 1, sizeof header, file);
        struct stat st;
        ::fstat(::fileno(file), &st);
        std::fclose(file);
        std::tm local;
        ::localtime_r(&st.st_mtime, &local);
        const std::string par_name(reinterpret_cast<const char*>(header + 128),
                                   ::strnlen(reinterpret_cast<const char*>(header + 128), 8));
        const bool k7 = name.back() == '7';
        const std::string par = k7 && got == sizeof header ? slurp(par_dir + par_name + ".PAR") : "";
        const std::string site_file = slurp(site + "/electron-site.ini");
        if (std::FILE* path_txt = k7 ? std::fopen((site + "/path.txt").c_str(), "wb") : nullptr) {
            std::fputs("C:\\Program Files \r\n", path_txt);
            std::fclose(path_txt);
        }
        // Names of the same shape as the stamper's, so that filing them
        // makes the same directories.
        char start[16];
        std::snprintf(start, sizeof start, "P%04u_", k7 ? header[3] * 256u + header[4] : 0u);
        const std::string prefix = k7 ? start : name.substr(0, name.find('_') + 1);
        const std::string tail = k7 ? name : name.substr(name.find('_') + 1);
        const std::string new_name =
            prefix + (site_file.empty() ? "" : "Coteau_") + std::to_string(local.tm_year + 1900) + tail;
        ::rename((to_send + name).c_str(), (to_send + new_name).c_str());
    }
}

void ensure_directory(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) ::mkdir(path.c_str(), 0777);
}

// One line a directory entry, of the size of the filer's "dir" lines.
std::string listing_line(const std::string& dir, const std::string& name) {
    struct stat st;
    if (::stat((dir + "/" + name).c_str(), &st) != 0) return "";
    char stamp[32] = "";
    if (const std::tm* local = std::localtime(&st.st_mtime)) std::strftime(stamp, sizeof stamp, "%d/%m/%Y  %H:%M", local);
    char line[512];
    std::snprintf(line, sizeof line, "%-17s %17llu %s\n", stamp, static_cast<unsigned long long>(st.st_size),
                  name.c_str());
    return line;
}

void file(const std::string& site) {
    const std::string base = site + "/base/";
    const std::string sent = base + "envoye/";
    // The filer prints the listing of a wet-sensor directory before each
    // move into it: the floor writes the same bytes, each directory read
    // once and kept up to date with its own moves.
    std::map<std::string, std::string> listings;
    for (const std::string& name : names_in(sent)) {
        const size_t underscore = name.rfind('_');
        if (underscore == std::string::npos) continue;
        const std::string sub = name.substr(underscore + 1, 4);
        std::string dir;
        if (name.find(".raw") != std::string::npos) {
            ensure_directory(base + "wetsensor");
            dir = base + "wetsensor/" + sub;
        } else {
            const size_t p = name.find('P');
            if (p == std::string::npos) continue;
            dir = base + name.substr(p + 1, 4);
            ensure_directory(dir);
            dir += "/" + sub;
        }
        ensure_directory(dir);
        if (name.find(".raw") != std::string::npos) {
            auto listed = listings.find(dir);
            if (listed == listings.end()) {
                listed = listings.emplace(dir, "").first;
                for (const std::string& entry : names_in(dir)) listed->second += listing_line(dir, entry);
            }
            std::fwrite(listed->second.data(), 1, listed->second.size(), stdout);
            if (::rename((sent + name).c_str(), (dir + "/" + name).c_str()) == 0)
                listed->second += listing_line(dir, name);
        } else {
            ::rename((sent + name).c_str(), (dir + "/" + name).c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "stamp") != 0 && std::strcmp(argv[1], "file") != 0)) {
        std::fprintf(stderr, "usage: floor stamp|file SITE\n");
        return 2;
    }
    if (std::strcmp(argv[1], "stamp") == 0)
        stamp(argv[2]);
    else
        file(argv[2]);
    return 0;
}
