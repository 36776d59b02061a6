#include "sitecheck/trace_reasons.h"

#include <vector>

#include "common/fs/paths.h"

namespace site {

namespace {

// The text from `start` to the first of `ends` found after it.
std::string section(const std::string& trace, size_t start, const std::vector<std::string>& ends) {
    size_t end = trace.size();
    for (const std::string& marker : ends) {
        const size_t found = trace.find(marker, start);
        if (found != std::string::npos && found < end) end = found;
    }
    return trace.substr(start, end - start);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// The lines of a message, as one line.
std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        if (!text.empty()) text += ' ';
        text += line;
    }
    return text;
}

// A line the command interpreter or a handler printed to say why, rather
// than a step of the trace or a line of a directory listing.
bool is_reason_line(const std::string& line) {
    if (line.rfind("=R=>le repertoire n existe pas", 0) == 0) return false;  // made next
    if (line.rfind("=R=>", 0) == 0 || line.rfind("=pos zero=>", 0) == 0) return true;
    return !line.empty() && line[0] >= 'A' && line[0] <= 'Z' && line != "Directory created" &&
           !is_absolute_path(line);
}

std::string without_marker(const std::string& line) {
    if (line.rfind("=R=>", 0) == 0) return line.substr(4);
    if (line.rfind("=pos zero=>", 0) == 0) return "no 'P' in the name";
    return line;
}

// What the interpreter printed after it named the file in a pattern move.
std::string message_after_move_line(const std::string& trace, const std::string& path) {
    const size_t line = trace.rfind("\n" + path + "\n");
    if (line == std::string::npos) return std::string();
    std::vector<std::string> message;
    for (const std::string& next : lines_of(trace.substr(line + path.size() + 2))) {
        if (next.find("file(s) moved.") != std::string::npos || !is_reason_line(next)) break;
        message.push_back(next);
    }
    return joined(message);
}

}  // namespace

std::string stamping_reason(const std::string& trace, const std::string& name) {
    const size_t start = trace.find("\nFichier " + name + " ");
    if (start == std::string::npos) return std::string();
    const std::string own = section(trace, start + 1, {"\nPlus de fichier", "\nVersion 2 ("});
    // The section ends where the next file's begins; "Fichier INI" is a
    // line of this one.
    size_t end = own.size();
    for (size_t next = own.find("\nFichier "); next != std::string::npos; next = own.find("\nFichier ", next + 1)) {
        if (own.compare(next, 14, "\nFichier INI  ") != 0) {
            end = next;
            break;
        }
    }
    const std::string text = own.substr(0, end < own.size() ? end + 1 : end);  // with its last newline
    const size_t unchanged = text.find("nom inchange\n");
    if (unchanged != std::string::npos) {
        const size_t bar = text.rfind("| ", unchanged);
        const size_t from = bar == std::string::npos ? 0 : bar + 2;
        return text.substr(from, unchanged + 12 - from);
    }
    const size_t last_name = text.rfind("New nom de Fichier ");
    if (last_name == std::string::npos) return std::string();
    const size_t after = text.find(" \n\n", last_name);
    if (after == std::string::npos) return std::string();
    std::vector<std::string> message;
    for (const std::string& line : lines_of(text.substr(after + 3)))
        if (line.rfind("Version ", 0) != 0) message.push_back(line);
    return joined(message);
}

std::string filing_reason(const std::string& trace, const std::string& name, const std::string& path) {
    std::string reason = message_after_move_line(trace, path);
    if (!reason.empty()) return reason;
    const size_t start = trace.rfind("\n-->" + name + "\n");
    if (start == std::string::npos) return std::string();
    std::vector<std::string> reasons;
    for (const std::string& line : lines_of(section(trace, start + 1, {"\n\n-->"})))
        if (is_reason_line(line)) reasons.push_back(without_marker(line));
    return joined(reasons);
}

bool is_collision(const std::string& reason) {
    return reason.find("already exists") != std::string::npos ||
           reason.find("duplicate file name") != std::string::npos;
}

}  // namespace site
