#include "filer/archive_rules.h"

#include "common/text/name_rule.h"

namespace site {

const char* const kRefusedDirectoryName = "nom de repertoire refuse, fichier laisse en place";

std::optional<std::string> archive_directory_name(std::string_view composed) {
    std::string stored = without_trailing_dots_and_spaces(composed);
    if (!is_portable_name(stored)) return std::nullopt;
    return stored;
}

bool is_archive_year(std::string_view year) {
    if (year.size() != 4) return false;
    int value = 0;
    for (char c : year) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= kFirstArchiveYear && value <= kLastArchiveYear;
}

}  // namespace site
