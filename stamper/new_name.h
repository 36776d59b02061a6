// The pieces of a stamped file name.
//
//  .K7: "P", the photometer number zero-filled to four digits, "_",
//       [site name, "_"], [year], numeric tail.
//  .K8: the old name's first token, "_", [site name, "_"], [year], numeric
//       tail, whose extension then gives way to "-hhmm.k8" unless the name
//       already carries such a suffix.
#pragma once

#include <string>
#include <string_view>

namespace site {

// Where the numeric tail of a listed name begins: the run of digits, '-',
// '.' and '/' just before its three-character extension. The tail runs from
// there to the end of the name, extension included.
size_t tail_start(std::string_view name);

// "P" and the photometer number zero-filled to four digits, then "_". A
// five-digit number is written whole.
std::string k7_prefix(unsigned photometer_number);

// The first token of a .K8 name (up to its first '_' or '.'), then "_".
std::string k8_prefix(std::string_view name);

// The two kinds of data file the stamper renames, told by the last letter
// of the name the listing gives (".K7" or ".K8", any case of the K).
enum class DataKind { K7, K8 };

// Whether the year goes into the new name: when the old name does not hold
// it, or, for a file other than a .K8, when the tail is at most 11 characters
// (8 before the extension), so that short tails always get their year.
bool year_wanted(std::string_view name, std::string_view year, DataKind kind, size_t tail_start);

// A .K8 name with its extension replaced by "-hhmm.k8", unless the
// character eight places before its end is already a '-'.
std::string with_hour_minute(const std::string& name, unsigned hour, unsigned minute);

struct NewName {
    std::string before_tail;  // start, site part and year, as traced before the tail
    std::string name;         // the whole new name
};

// The new name of a listed file of either kind, from its start (the .K7
// prefix or the .K8 first token, with "_"), the site name (empty: no site
// part) and the file's time stamp.
NewName compose_new_name(const std::string& listed, DataKind kind, const std::string& start,
                         const std::string& site_name, unsigned year, unsigned hour, unsigned minute);

}  // namespace site
