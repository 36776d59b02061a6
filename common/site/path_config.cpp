#include "common/site/path_config.h"

#include "common/fs/paths.h"
#include "common/text/listing.h"

namespace site {

const char* const kPathConfigFile = "path_autok7.txt";

namespace {

// The value a configuration line gives: the text after its first "::", or
// the whole line, without its newline.
std::string value_of(std::string line, Trace& trace) {
    if (line.find('\n') != std::string::npos)
        line.pop_back();  // a read puts the newline last
    else
        trace << "\npos zero";
    const size_t label_end = line.find("::");
    if (label_end != std::string::npos) line.erase(0, label_end + 2);
    return line;
}

}  // namespace

PathConfig read_path_config(const PathConfig& defaults, TextReader& file, Trace& trace) {
    PathConfig config = defaults;
    std::string* const slots[] = {&config.base, &config.to_send, &config.sent};
    std::string line;
    for (size_t pass = 0; !file.eof(); ++pass) {
        if (!file.read_line(line, kLineBufferSize)) break;
        std::string value = value_of(line, trace);
        if (pass < 3) *slots[pass] = std::move(value);
    }
    return config;
}

WorkingPaths working_paths(const PathConfig& read, WorkDirectory work, const std::string& start_directory) {
    const std::string& worked_in = work == WorkDirectory::ToSend ? read.to_send : read.sent;
    if (read.base.empty()) return {std::nullopt, EmptyPath::Base};
    if (worked_in.empty()) return {std::nullopt, work == WorkDirectory::ToSend ? EmptyPath::ToSend : EmptyPath::Sent};
    return {PathConfig{absolute_path(read.base, start_directory), absolute_path(read.to_send, start_directory),
                       absolute_path(read.sent, start_directory)},
            std::nullopt};
}

std::string empty_path_line(EmptyPath empty) {
    const char* missing = empty == EmptyPath::Base     ? "de base"
                          : empty == EmptyPath::ToSend ? "a envoyer"
                                                       : "des envoyes";
    return std::string(kPathConfigFile) + " ne donne pas de repertoire " + missing + " : rien n est fait";
}

PathConfig read_path_config(FileSystem& fs, const std::string& start_directory, const PathConfig& defaults,
                            Trace& trace) {
    std::optional<TextReader> file = read_text(fs, join_path(start_directory, kPathConfigFile));
    if (!file) {
        trace << "\n" << kPathConfigFile << " introuvable : chemins par defaut";
        return defaults;
    }
    return read_path_config(defaults, *file, trace);
}

}  // namespace site
