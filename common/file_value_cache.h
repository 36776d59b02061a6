// A value read from a text file, kept while the file stays the same: the
// same file (device and index), of the same size, with the same time stamp.
// A site file or parameter file read for every data file is then read once
// per run, however large, and a change to it between two data files is
// still seen.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform.h"
#include "text_reader.h"

namespace site {

template <typename Value>
class FileValueCache {
public:
    // The value of the file at `path`: the kept one while the file is
    // unchanged, otherwise `read` over the file's text, kept for next time;
    // nothing when the file cannot be read.
    template <typename Read>
    std::optional<Value> get(const std::string& path, Read read) {
        FsStatus status;
        OsFile file = OsFile::open_regular(path, status);
        const std::optional<FileInfo> info = file.is_open() ? file.info() : std::nullopt;
        if (!info) return std::nullopt;
        auto kept = kept_.find(path);
        if (kept != kept_.end() && unchanged(kept->second.info, *info)) return kept->second.value;
        const std::optional<std::string> raw = read_rest(file);
        if (!raw) return std::nullopt;
        TextReader reader = TextReader::from_bytes(*raw);
        Value value = read(reader);
        kept_[path] = Kept{*info, value};
        return value;
    }

private:
    struct Kept {
        FileInfo info;
        Value value;
    };
    static bool unchanged(const FileInfo& a, const FileInfo& b) {
        return a.same_file(b) && a.size == b.size && a.modified == b.modified &&
               a.modified_fraction == b.modified_fraction;
    }

    std::map<std::string, Kept> kept_;
};

}  // namespace site
