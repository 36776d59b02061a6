// File times as the site's disk keeps them: local time packed into the
// MS-DOS date and time words, which hold the years 1980 to 2107.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

namespace site {

// The years the date word holds.
constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 2107;

// A modification time in local time, packed as MS-DOS date and time words.
struct DosStamp {
    std::uint16_t date = 0;
    std::uint16_t time = 0;

    unsigned year() const { return static_cast<unsigned>(kFirstDosYear) + (date >> 9); }
    unsigned month() const { return (date >> 5) & 0x0Fu; }
    unsigned day() const { return date & 0x1Fu; }
    unsigned hour() const { return time >> 11; }
    unsigned minute() const { return (time >> 5) & 0x3Fu; }
};

// The packing itself, shared by the implementations; nothing for a year
// outside 1980-2107, which the date word cannot hold.
std::optional<DosStamp> pack_dos_stamp(const std::tm& local);

}  // namespace site
