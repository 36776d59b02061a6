#include "site_run.h"

#include "paths.h"

namespace site {

namespace {

// The directories a run moves files in, the only ones its move record may
// name: the stamper renames in to-send; the filer moves from sent into the
// archive under the base directory.
std::vector<std::string> moved_in(const PathConfig& paths, WorkDirectory work) {
    if (work == WorkDirectory::ToSend) return {paths.to_send};
    return {paths.base, paths.sent};
}

}  // namespace

std::optional<OpenSiteRun> open_site_run(const SiteRunKind& kind, Trace& trace, CommandInterpreter& interpreter,
                                         FileSystem& fs) {
    const std::string start_directory = interpreter.current_directory();
    const PathConfig read = read_path_config(fs, start_directory, kind.defaults, trace);
    trace << "\npathbase-->" << read.base << "\npathenvoye-->" << read.sent << kind.after_paths;
    std::optional<PathConfig> working = working_paths(read, kind.work, start_directory, trace);
    if (!working) return std::nullopt;
    std::optional<RunLock> lock = lock_site_run(fs, working->base, kind.program, trace);
    if (!lock) return std::nullopt;
    if (!interpreter.keep_move_journal(join_path(working->base, kind.move_record), moved_in(*working, kind.work)))
        return std::nullopt;
    return OpenSiteRun{std::move(*working), std::move(*lock)};
}

}  // namespace site
