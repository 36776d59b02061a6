#include "sitecheck/report.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>

#include "common/fs/paths.h"
#include "common/text/encoding.h"

namespace site {

namespace {

// What a run does about what it finds at its move record's name.
const char* record_meaning(RecordFound found) {
    switch (found) {
        case RecordFound::Nothing: return "no record";
        case RecordFound::Cut: return "cut while it was written: removed, its move had not started";
        case RecordFound::Finished: return "an interrupted move: finished or undone before anything else";
        case RecordFound::NotARecord: return "not a record of the program's form: set aside, then the run goes on";
        case RecordFound::Unreadable: return "cannot be read: the run moves nothing until it can";
        case RecordFound::OthersRecord:
            return "a record naming files outside this site's directories: left for the run it belongs to, and this "
                   "run "
                   "moves nothing";
        case RecordFound::Unfinished: return "its move cannot be finished now: the run moves nothing";
        case RecordFound::CannotSetAside: return "not a record, and it cannot be set aside: the run moves nothing";
    }
    return "";
}

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

void append_escaped(std::string& out, std::uint32_t unit) {
    char escaped[16];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit & 0xFFFF));
    out += escaped;
}

// A JSON string of UTF-8 text, in ASCII: every other character escaped
// (beyond U+FFFF as a surrogate pair), a byte that is no UTF-8 as U+FFFD.
std::string quoted_utf8(std::string_view text) {
    std::string quoted = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const std::uint32_t c = next_code_point(text, at).value_or(0xFFFD);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c >= 0x20 && c <= 0x7E) {
            quoted += static_cast<char>(c);
        } else if (c > 0xFFFF) {
            append_escaped(quoted, 0xD800 + ((c - 0x10000) >> 10));
            append_escaped(quoted, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            append_escaped(quoted, c);
        }
    }
    return quoted + "\"";
}

// Text as the system spells it (a name, a path, a program's words), as a
// JSON string of its characters.
std::string json_string(const std::string& text) {
    const std::optional<std::string> utf8 = utf8_of_system_text(text);
    return quoted_utf8(utf8 ? *utf8 : text);
}

// The bytes of a name in hexadecimal, for a name that is no text in the
// system's encoding: its JSON string then holds U+FFFD where a byte is no
// character, and only these tell two such names apart.
std::string name_bytes_field(const std::string& name) {
    if (utf8_of_system_text(name)) return "";
    std::string hex;
    for (const char c : name) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
        hex += pair;
    }
    return ", \"name_bytes\": \"" + hex + "\"";
}

// An instant as UTC in ISO 8601 ("2015-03-01T14:20:00Z"), worked out from
// the count of seconds so that no time zone enters.
std::string utc_text(std::time_t when) {
    const long long seconds = static_cast<long long>(when);
    long long days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Days to a civil date (proleptic Gregorian), by eras of 400 years.
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long day_of_era = days - era * 146097;
    const long long year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const long long day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const long long month_index = (5 * day_of_year + 2) / 153;
    const long long day = day_of_year - (153 * month_index + 2) / 5 + 1;
    const long long month = month_index < 10 ? month_index + 3 : month_index - 9;
    const long long year = year_of_era + era * 400 + (month <= 2);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", year, month, day, rest / 3600,
                  rest / 60 % 60, rest % 60);
    return text;
}

std::string json_reasons(const std::vector<StayReason>& reasons) {
    std::string list = "[";
    for (const StayReason& reason : reasons)
        list += (list.size() > 1 ? ", " : "") + std::string("{\"code\": ") + json_string(reason.code) +
                ", \"program\": " + json_string(reason.program) + ", \"text\": " + json_string(reason.text) + "}";
    return list + "]";
}

// The age in seconds of the oldest file waiting in `directory`, as JSON;
// null when none waits there.
std::string oldest_age(const SiteCheck& check, const char* directory) {
    std::optional<std::time_t> oldest;
    for (const FilePrediction& file : check.files)
        if (file.directory == directory && file.modified && (!oldest || *file.modified < *oldest))
            oldest = file.modified;
    return oldest ? std::to_string(static_cast<long long>(check.checked_at - *oldest)) : "null";
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

bool stays(const FilePrediction& file) { return file.fate == Fate::StaysInToSend || file.fate == Fate::StaysInSent; }

struct Counts {
    int filed = 0, staying = 0, archived = 0, waiting = 0, collisions = 0;
};

Counts counts_of(const SiteCheck& check) {
    Counts counts;
    for (const FilePrediction& file : check.files) {
        counts.filed += file.fate == Fate::Filed;
        counts.archived += file.fate == Fate::AlreadyArchived;
        counts.staying += stays(file);
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
        case 1:
            text = counts.staying > 0
                       ? "FILES WOULD STAY: " + std::to_string(counts.staying) + " file(s) would stay where they are"
                   : !check.leftovers.empty()
                       ? "LEFTOVERS: " + std::to_string(check.leftovers.size()) +
                             " file(s) under names of the programs' own"
                       : "CLOCK WRONG: " + std::to_string(check.clock_warnings.size()) + " sign(s) of a wrong clock";
            break;
        default: text = "CONFIGURATION WRONG: " + std::to_string(check.problems.size()) + " problem(s)"; break;
    }
    return text + " (" + std::to_string(counts.filed) + " filed, " + std::to_string(counts.staying) + " staying, " +
           std::to_string(counts.archived) + " already archived, " + std::to_string(counts.collisions) +
           " collision(s))";
}

std::string human_report(const SiteCheck& check) {
    const SiteConfiguration& configuration = check.configuration;
    std::string out = "Configuration, read from " + configuration.start_directory + "\n";
    out +=
        "  path file          " + configuration.path_file + (configuration.path_file_found ? "" : " (missing)") + "\n";
    paths_lines(out, "tolvik", configuration.stamper, configuration.stamper_defaults);
    paths_lines(out, "brasko", configuration.filer, configuration.filer_defaults);
    out += "  Program Files      " + configuration.program_files + "\n";
    out += "  parameter files    " + configuration.parameter_directory + ": " +
           list_or_none(configuration.parameter_files) + "\n";
    out += "  site name          " + (configuration.site_name ? *configuration.site_name : std::string("(none)")) +
           " (" + configuration.site_file + ")\n";
    for (const auto& [program, found] :
         {std::pair{"tolvik", configuration.stamper_record}, std::pair{"brasko", configuration.filer_record}})
        if (found != RecordFound::Nothing)
            out += std::string("  move record        ") + program + ": " + record_code(found) + ", " +
                   record_meaning(found) + "\n";
    if (!check.problems.empty()) {
        out += "\nConfiguration problems\n";
        for (const Problem& problem : check.problems) out += "  " + problem.text + "\n";
    }
    out += "\nFiles (" + std::to_string(check.files.size()) + ")\n";
    for (const FilePrediction& file : check.files) out += file_line(file);
    const Counts counts = counts_of(check);
    out += "\nWaiting in sent now: " + std::to_string(counts.waiting) + " file(s)\n";
    std::string staying;
    for (const FilePrediction& file : check.files)
        if (stays(file)) staying += "  " + file.name + (file.collision ? "  (collision)" : "") + "\n";
    if (!staying.empty()) out += "Would stay where they are:\n" + staying;
    if (!check.leftovers.empty()) {
        out += "Files the programs left under names of their own (" + std::to_string(check.leftovers.size()) + "):\n";
        for (const Leftover& leftover : check.leftovers) out += "  " + leftover.code + "  " + leftover.path + "\n";
    }
    if (!check.clock_warnings.empty()) {
        out += "Signs of a wrong clock (" + std::to_string(check.clock_warnings.size()) + "):\n";
        for (const ClockWarning& warning : check.clock_warnings)
            out += "  " + warning.code + "  " + warning.path + ": " + warning.text + "\n";
    }
    return out + "\n" + verdict(check) + "\n";
}

std::string json_report(const SiteCheck& check, const std::string& version) {
    const SiteConfiguration& configuration = check.configuration;
    const Counts counts = counts_of(check);
    std::string out = "{\n  \"program\": \"sitecheck\", \"version\": " + json_string(version) +
                      ", \"checked_at\": " + json_string(utc_text(check.checked_at)) + ",\n";
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
           (configuration.filer_record == RecordFound::Finished ? "true" : "false") +
           ", \"move_records\": {\"tolvik\": " + json_string(record_code(configuration.stamper_record)) +
           ", \"brasko\": " + json_string(record_code(configuration.filer_record)) + "}\n  },\n";
    std::vector<std::string> problems, codes;
    for (const Problem& problem : check.problems) {
        problems.push_back(problem.text);
        codes.push_back(problem.code);
    }
    out += "  \"problems\": " + json_list(problems) + ",\n";
    out += "  \"problem_codes\": " + json_list(codes) + ",\n";
    out += "  \"files\": [";
    for (size_t i = 0; i < check.files.size(); ++i) {
        const FilePrediction& file = check.files[i];
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"directory\": " + json_string(file.directory) +
               ", \"name\": " + json_string(file.name) + name_bytes_field(file.name) +
               ", \"path\": " + json_string(file.path) +
               ", \"modified\": " + (file.modified ? json_string(utc_text(*file.modified)) : "null") +
               ", \"age_seconds\": " +
               (file.modified ? std::to_string(static_cast<long long>(check.checked_at - *file.modified)) : "null") +
               ", \"fate\": " + json_string(fate_name(file.fate)) + ", \"new_name\": " + json_string(file.new_name) +
               ", \"final_path\": " + json_string(file.final_path) +
               ", \"archive_folder\": " + json_string(file.archive_folder) +
               ", \"reason\": " + json_string(file.reason) + ", \"reasons\": " + json_reasons(file.reasons) +
               ", \"collision\": " + (file.collision ? "true" : "false") + "}";
    }
    out += check.files.empty() ? "],\n" : "\n  ],\n";
    out += "  \"leftovers\": [";
    for (size_t i = 0; i < check.leftovers.size(); ++i)
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"path\": " + json_string(check.leftovers[i].path) +
               ", \"code\": " + json_string(check.leftovers[i].code) + "}";
    out += check.leftovers.empty() ? "],\n" : "\n  ],\n";
    out += "  \"clock_warnings\": [";
    for (size_t i = 0; i < check.clock_warnings.size(); ++i) {
        const ClockWarning& warning = check.clock_warnings[i];
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"code\": " + json_string(warning.code) +
               ", \"path\": " + json_string(warning.path) + ", \"text\": " + json_string(warning.text) + "}";
    }
    out += check.clock_warnings.empty() ? "],\n" : "\n  ],\n";
    out += "  \"counts\": {\"filed\": " + std::to_string(counts.filed) +
           ", \"staying\": " + std::to_string(counts.staying) +
           ", \"already_archived\": " + std::to_string(counts.archived) +
           ", \"waiting_in_sent\": " + std::to_string(counts.waiting) +
           ", \"collisions\": " + std::to_string(counts.collisions) + "},\n";
    out += "  \"oldest_age_seconds\": {\"to_send\": " + oldest_age(check, "to-send") +
           ", \"sent\": " + oldest_age(check, "sent") + "},\n";
    out +=
        "  \"status\": " + std::to_string(check.status()) + ", \"verdict\": " + json_string(verdict(check)) + "\n}\n";
    return out;
}

namespace {

// How many findings of each code, in the order of the codes.
std::map<std::string, std::size_t> findings_by_code(const ArchiveAudit& audit) {
    std::map<std::string, std::size_t> counts;
    for (const ArchiveFinding& finding : audit.findings) ++counts[finding.code];
    return counts;
}

std::string folder_line(const ArchiveFolder& folder) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-20s %7zu  %-10s  %-10s  %7zu\n", folder.folder.c_str(), folder.files,
                  folder.first_date.empty() ? "-" : folder.first_date.c_str(),
                  folder.last_date.empty() ? "-" : folder.last_date.c_str(), folder.undated);
    return line;
}

}  // namespace

std::string archive_verdict(const ArchiveAudit& audit) {
    switch (audit.status()) {
        case 0: return "OK: the archive is in order (" + std::to_string(audit.files) + " file(s))";
        case 1:
            return "FINDINGS: " + std::to_string(audit.findings.size()) + " finding(s) in " +
                   std::to_string(audit.files) + " file(s)";
        default: return "ARCHIVE CANNOT BE READ: " + audit.problems.front().text;
    }
}

std::string human_archive_report(const ArchiveAudit& audit) {
    std::string out = "Archive under " + (audit.base.empty() ? std::string("(no base directory)") : audit.base) + "\n";
    out += "  files looked at    " + std::to_string(audit.files) + "\n";
    out += "  read for bytes     " + std::to_string(audit.files_read) + " (only files that share a size)\n";
    out += "  findings           " + std::to_string(audit.findings.size()) + "\n";
    for (const auto& [code, count] : findings_by_code(audit))
        out += "    " + code + std::string(code.size() < 22 ? 22 - code.size() : 1, ' ') + std::to_string(count) + "\n";
    for (const Problem& problem : audit.problems) out += "\nProblem: " + problem.text + "\n";
    std::string code;
    for (const ArchiveFinding& finding : audit.findings) {
        if (finding.code != code) {
            code = finding.code;
            out += "\n" + code + "\n";
        }
        out += "  " + finding.path + ": " + finding.text + "\n";
    }
    if (!audit.folders.empty()) {
        out += "\nFolders\n";
        char header[160];
        std::snprintf(header, sizeof header, "  %-20s %7s  %-10s  %-10s  %7s\n", "folder", "files", "first date",
                      "last date", "undated");
        out += header;
        for (const ArchiveFolder& folder : audit.folders) out += folder_line(folder);
    }
    return out + "\n" + archive_verdict(audit) + "\n";
}

std::string json_archive_report(const ArchiveAudit& audit, const std::string& version) {
    std::string out = "{\n  \"program\": \"sitecheck\", \"version\": " + json_string(version) +
                      ", \"mode\": \"archive\", \"checked_at\": " + json_string(utc_text(audit.checked_at)) + ",\n";
    out += "  \"base\": " + json_string(audit.base) + ",\n";
    std::vector<std::string> problems, codes;
    for (const Problem& problem : audit.problems) {
        problems.push_back(problem.text);
        codes.push_back(problem.code);
    }
    out += "  \"problems\": " + json_list(problems) + ", \"problem_codes\": " + json_list(codes) + ",\n";
    out += "  \"counts\": {\"files\": " + std::to_string(audit.files) +
           ", \"files_read\": " + std::to_string(audit.files_read) +
           ", \"findings\": " + std::to_string(audit.findings.size()) + ", \"by_code\": {";
    std::string by_code;
    for (const auto& [code, count] : findings_by_code(audit))
        by_code += (by_code.empty() ? "" : ", ") + json_string(code) + ": " + std::to_string(count);
    out += by_code + "}},\n  \"findings\": [";
    for (size_t i = 0; i < audit.findings.size(); ++i) {
        const ArchiveFinding& finding = audit.findings[i];
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"code\": " + json_string(finding.code) +
               ", \"path\": " + json_string(finding.path) + name_bytes_field(split_path(finding.path).name) +
               ", \"text\": " + json_string(finding.text) +
               ", \"would_go\": " + (finding.would_go.empty() ? "null" : json_string(finding.would_go)) +
               ", \"same_as\": " + (finding.same_as.empty() ? "null" : json_string(finding.same_as)) + "}";
    }
    out += audit.findings.empty() ? "],\n" : "\n  ],\n";
    out += "  \"folders\": [";
    for (size_t i = 0; i < audit.folders.size(); ++i) {
        const ArchiveFolder& folder = audit.folders[i];
        const auto date = [](const std::string& text) {
            return text.empty() ? std::string("null") : json_string(text);
        };
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"folder\": " + json_string(folder.folder) +
               ", \"files\": " + std::to_string(folder.files) + ", \"undated\": " + std::to_string(folder.undated) +
               ", \"first_date\": " + date(folder.first_date) + ", \"last_date\": " + date(folder.last_date) + "}";
    }
    out += audit.folders.empty() ? "],\n" : "\n  ],\n";
    out += "  \"status\": " + std::to_string(audit.status()) + ", \"verdict\": " + json_string(archive_verdict(audit)) +
           "\n}\n";
    return out;
}

}  // namespace site
