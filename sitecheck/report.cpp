#include "sitecheck/report.h"

#include <cstdio>

namespace site {

namespace {

const char* fate_name(Fate fate) {
    switch (fate) {
        case Fate::Filed: return "filed";
        case Fate::StaysInToSend: return "stays in to-send";
        case Fate::StaysInSent: return "stays in sent";
        case Fate::AlreadyArchived: return "already archived";
    }
    return "";
}

std::string list_or_none(const std::vector<std::string>& items) {
    if (items.empty()) return "none";
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string json_string(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte > 0x7E) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string json_list(const std::vector<std::string>& items) {
    std::string list = "[";
    for (const std::string& item : items) list += (list.size() > 1 ? ", " : "") + json_string(item);
    return list + "]";
}

std::string json_paths(const PathConfig& paths) {
    return "{\"base\": " + json_string(paths.base) + ", \"to_send\": " + json_string(paths.to_send) +
           ", \"sent\": " + json_string(paths.sent) + "}";
}

struct Counts {
    int filed = 0, staying = 0, archived = 0, waiting = 0, collisions = 0;
};

Counts counts_of(const SiteCheck& check) {
    Counts counts;
    for (const FilePrediction& file : check.files) {
        counts.filed += file.fate == Fate::Filed;
        counts.archived += file.fate == Fate::AlreadyArchived;
        counts.staying += file.fate == Fate::StaysInToSend || file.fate == Fate::StaysInSent;
        counts.waiting += file.directory == "sent";
        counts.collisions += file.collision;
    }
    return counts;
}

void paths_lines(std::string& out, const char* program, const PathConfig& paths,
                 const std::vector<std::string>& defaults) {
    out += std::string("  ") + program + "\n";
    out += "    base directory     " + paths.base + "\n";
    out += "    to-send directory  " + paths.to_send + "\n";
    out += "    sent directory     " + paths.sent + "\n";
    out += "    built-in defaults  " + list_or_none(defaults) + "\n";
}

std::string file_line(const FilePrediction& file) {
    std::string line = "  " + file.directory + "  " + file.name;
    switch (file.fate) {
        case Fate::Filed:
            if (file.new_name != file.name) line += " -> " + file.new_name;
            return line + "  => " + file.archive_folder + "\n";
        case Fate::AlreadyArchived: return line + "  => goes: " + file.reason + "\n";
        case Fate::StaysInToSend:
        case Fate::StaysInSent:
            if (file.new_name != file.name) line += " -> " + file.new_name;
            return line + "  => " + fate_name(file.fate) + ": " + file.reason + "\n";
    }
    return line + "\n";
}

}  // namespace

std::string verdict(const SiteCheck& check) {
    const Counts counts = counts_of(check);
    std::string text;
    switch (check.status()) {
        case 0: text = "OK: every file would be handled"; break;
        case 1: text = "FILES WOULD STAY: " + std::to_string(counts.staying) + " file(s) would stay where they are"; break;
        default: text = "CONFIGURATION WRONG: " + std::to_string(check.problems.size()) + " problem(s)"; break;
    }
    return text + " (" + std::to_string(counts.filed) + " filed, " + std::to_string(counts.staying) + " staying, " +
           std::to_string(counts.archived) + " already archived, " + std::to_string(counts.collisions) +
           " collision(s))";
}

std::string human_report(const SiteCheck& check) {
    const SiteConfiguration& configuration = check.configuration;
    std::string out = "Configuration, read from " + configuration.start_directory + "\n";
    out += "  path file          " + configuration.path_file + (configuration.path_file_found ? "" : " (missing)") + "\n";
    paths_lines(out, "tolvik", configuration.stamper, configuration.stamper_defaults);
    paths_lines(out, "brasko", configuration.filer, configuration.filer_defaults);
    out += "  Program Files      " + configuration.program_files + "\n";
    out += "  parameter files    " + configuration.parameter_directory + ": " +
           list_or_none(configuration.parameter_files) + "\n";
    out += "  site name          " +
           (configuration.site_name ? *configuration.site_name : std::string("(none)")) + " (" +
           configuration.site_file + ")\n";
    if (configuration.interrupted_move_recorded)
        out += "  note               an interrupted move is recorded: brasko finishes it before anything else\n";
    if (!check.problems.empty()) {
        out += "\nConfiguration problems\n";
        for (const std::string& problem : check.problems) out += "  " + problem + "\n";
    }
    out += "\nFiles (" + std::to_string(check.files.size()) + ")\n";
    for (const FilePrediction& file : check.files) out += file_line(file);
    const Counts counts = counts_of(check);
    out += "\nWaiting in sent now: " + std::to_string(counts.waiting) + " file(s)\n";
    std::string staying;
    for (const FilePrediction& file : check.files)
        if (file.fate == Fate::StaysInToSend || file.fate == Fate::StaysInSent)
            staying += "  " + file.name + (file.collision ? "  (collision)" : "") + "\n";
    if (!staying.empty()) out += "Would stay where they are:\n" + staying;
    return out + "\n" + verdict(check) + "\n";
}

std::string json_report(const SiteCheck& check, const std::string& version) {
    const SiteConfiguration& configuration = check.configuration;
    const Counts counts = counts_of(check);
    std::string out = "{\n  \"program\": \"sitecheck\", \"version\": " + json_string(version) + ",\n";
    out += "  \"configuration\": {\n";
    out += "    \"start_directory\": " + json_string(configuration.start_directory) + ",\n";
    out += "    \"path_file\": " + json_string(configuration.path_file) +
           ", \"path_file_found\": " + (configuration.path_file_found ? "true" : "false") + ",\n";
    out += "    \"tolvik\": " + json_paths(configuration.stamper) +
           ", \"tolvik_defaults\": " + json_list(configuration.stamper_defaults) + ",\n";
    out += "    \"brasko\": " + json_paths(configuration.filer) +
           ", \"brasko_defaults\": " + json_list(configuration.filer_defaults) + ",\n";
    out += "    \"program_files\": " + json_string(configuration.program_files) +
           ", \"parameter_directory\": " + json_string(configuration.parameter_directory) + ",\n";
    out += "    \"parameter_files\": " + json_list(configuration.parameter_files) + ",\n";
    out += "    \"site_file\": " + json_string(configuration.site_file) + ", \"site_name\": " +
           (configuration.site_name ? json_string(*configuration.site_name) : std::string("null")) + ",\n";
    out += std::string("    \"interrupted_move_recorded\": ") +
           (configuration.interrupted_move_recorded ? "true" : "false") + "\n  },\n";
    out += "  \"problems\": " + json_list(check.problems) + ",\n";
    out += "  \"files\": [";
    for (size_t i = 0; i < check.files.size(); ++i) {
        const FilePrediction& file = check.files[i];
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"directory\": " + json_string(file.directory) +
               ", \"name\": " + json_string(file.name) + ", \"path\": " + json_string(file.path) +
               ", \"fate\": " + json_string(fate_name(file.fate)) + ", \"new_name\": " + json_string(file.new_name) +
               ", \"final_path\": " + json_string(file.final_path) + ", \"archive_folder\": " +
               json_string(file.archive_folder) + ", \"reason\": " + json_string(file.reason) +
               ", \"collision\": " + (file.collision ? "true" : "false") + "}";
    }
    out += check.files.empty() ? "],\n" : "\n  ],\n";
    out += "  \"counts\": {\"filed\": " + std::to_string(counts.filed) + ", \"staying\": " +
           std::to_string(counts.staying) + ", \"already_archived\": " + std::to_string(counts.archived) +
           ", \"waiting_in_sent\": " + std::to_string(counts.waiting) + ", \"collisions\": " +
           std::to_string(counts.collisions) + "},\n";
    out += "  \"status\": " + std::to_string(check.status()) + ", \"verdict\": " + json_string(verdict(check)) + "\n}\n";
    return out;
}

}  // namespace site
