// What a file system does with its disk that is the same on every disk:
// moves, whole writes, the proof that two files hold the same bytes and the
// move record, all by the keeper (file_keeper.h) over the disk's calls. The
// file system on the disk (real_file_system.h) and the one in memory
// (memory_file_system.h) both are one of these; they differ only in how
// they look at and list what stands on their disk. So no move is decided
// twice, and the dry run moves by the same steps as a run.
#pragma once

#include "common/fs/file_keeper.h"
#include "common/fs/file_system.h"

namespace site {

class DiskFileSystem : public FileSystem {
public:
    bool same_bytes(const std::string& a, const std::string& b) final { return keeper_.same_content(a, b); }
    FsStatus write_whole(const std::string& path, const std::string& content) final {
        return keeper_.write_whole(path, content);
    }
    MoveOutcome move(const std::string& from, const std::string& to) final { return keeper_.move(from, to); }
    void discard(const std::string& path) final { keeper_.discard(path); }
    JournalRecovery keep_move_journal(const std::string& journal, const std::vector<MoveArea>& areas) final {
        keeper_.keep_journal(journal, areas);
        return keeper_.recover_recorded_move();
    }

protected:
    // `disk` is only kept here, not used, until the first call: a file
    // system that is its own disk may pass itself while it is being made.
    explicit DiskFileSystem(DiskCalls& disk) : keeper_(disk) {}

private:
    FileKeeper keeper_;
};

}  // namespace site
