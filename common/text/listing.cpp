#include "common/text/listing.h"

#include "common/text/name_rule.h"

namespace site {

namespace {

// Reads the rest of a line that did not fit the line buffer; true when it
// ended with a newline rather than with the data.
bool skip_rest_of_line(TextReader& listing) {
    std::string piece;
    while (listing.read_line(piece, kLineBufferSize))
        if (piece.back() == '\n') return true;
    return false;
}

}  // namespace

ListingRead read_listing_line(TextReader& listing, std::string& name) {
    std::string line;
    if (!listing.read_line(line, kLineBufferSize)) return ListingRead::End;
    if (line.back() == '\n') {
        line.pop_back();
        name = line;
        return is_portable_name(name) ? ListingRead::Name : ListingRead::NotAName;
    }
    name = line;
    if (listing.eof()) return ListingRead::Unterminated;
    return skip_rest_of_line(listing) ? ListingRead::TooLong : ListingRead::Unterminated;
}

const char* const kListedNameTooLong = "Nom trop long dans la liste, ignore";

std::string not_listed_line(const std::string& name) {
    if (name.find('?') != std::string::npos || has_unspellable_character(name))
        return kNotListedUnspellable + name + "\n";
    return kNotListedNotAWindowsName + shown_name(name) + "\n";
}

}  // namespace site
