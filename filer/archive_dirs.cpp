#include "archive_dirs.h"

#include "platform.h"

namespace site {

std::string after_last_underscore(std::string_view name, size_t count) {
    const size_t underscore = name.rfind('_');
    if (underscore == std::string_view::npos) return std::string();
    return std::string(name.substr(underscore + 1, count));
}

bool is_safe_directory_name(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

void create_and_enter(const std::string& name, const char* failure, Trace& trace) {
    if (make_directory(name)) {
        trace << "Directory created\n";
        change_directory(name);
    } else {
        trace << failure;
    }
}

void enter_or_create(const std::string& name, const std::string& shown_name, const char* failure, Trace& trace) {
    if (change_directory(name)) return;
    trace << "=R=>le repertoire n existe pas " << shown_name << "\n";
    create_and_enter(name, failure, trace);
}

}  // namespace site
