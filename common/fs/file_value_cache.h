// A value read from a text file, kept while the file stays the same: the
// same file (device and index, where a look tells them), of the same size,
// with the same time stamp.
// A site file or parameter file read for every data file is then read once
// per run, however large, and a change to it between two data files is
// still seen. Whether it changed is one look at what the path leads to; a
// file made unreadable since, its bytes unchanged, still gives the value
// those bytes gave.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "common/base/disk_types.h"
#include "common/fs/file_system.h"
#include "common/text/text_reader.h"

namespace site {

template <typename Value>
class FileValueCache {
public:
    // The value of the file at `path`: the kept one while the file is
    // unchanged, otherwise `read` over the file's text, kept for next time;
    // nothing when the file cannot be read.
    template <typename Read>
    std::optional<Value> get(FileSystem& fs, const std::string& path, Read read) {
        // Looked at before it is read: a change made while it is read shows
        // at the next look.
        const std::optional<FileInfo> looked = fs.target_info(path);
        if (!looked || !looked->is_regular) return std::nullopt;
        auto kept = kept_.find(path);
        if (kept != kept_.end() && unchanged(kept->second.look, *looked)) return kept->second.value;
        const FileRead whole = fs.read(path);
        if (whole.status != FsStatus::Ok) return std::nullopt;
        TextReader reader = TextReader::from_bytes(whole.bytes);
        Value value = read(reader);
        kept_[path] = Kept{*looked, value};
        return value;
    }

private:
    struct Kept {
        FileInfo look;  // what the look before the read saw
        Value value;
    };
    static bool unchanged(const FileInfo& a, const FileInfo& b) {
        return a.same_file(b) && a.size == b.size && a.modified == b.modified &&
               a.modified_fraction == b.modified_fraction;
    }

    std::map<std::string, Kept> kept_;
};

}  // namespace site
