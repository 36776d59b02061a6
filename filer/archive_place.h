// Where brasko would file a file of a given name, decided from the name
// alone, as the filing pass decides it: the photometer and year folders of
// a photometer file, the wet-sensor folder of a .raw file, or why it would
// take no file of that name. The archive audit compares it with where a
// file lies.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace site {

// What kind of file the filing pass takes a listed name for.
enum class ListedKind {
    OwnTemporary,  // a copy or an aside name of the programs': never taken
    Photometer,    // ".K7", ".K8" or ".k8" in the name
    WetSensor,     // ".raw" in the name
    Other,         // the pass passes over it in silence
};

ListedKind listed_kind(const std::string& name);

// Why brasko would not file a file of this name.
enum class NotFiled {
    OwnTemporary,       // of the programs' temporary forms
    NotADataName,       // neither a photometer nor a wet-sensor name
    NoP,                // a photometer name without a 'P'
    NoUnderscore,       // no '_' to read the folders from
    DirectoryRefused,   // the folders it gives are no names for directories, or no year
    PatternMissesFile,  // the photometer's pattern does not take the file itself
    MovesAnotherName,   // a wet-sensor line whose move names another file (".raw" not at its end)
};

struct ArchivePlace {
    // The folders below the base directory, as a Windows disk stores their
    // names: {"300", "2015"}, {"wetsensor", "A001"}; empty when not filed.
    std::vector<std::string> folders;
    std::optional<NotFiled> not_filed;
    // The year the name gives a photometer file (its year folder); empty
    // for a wet-sensor file.
    std::string year;
    // The photometer folder that a photometer file's name gives, even where
    // it gives no year: such a file goes with the move of its photometer's
    // pattern when another of its files is filed.
    std::string photometer;
};

ArchivePlace archive_place(const std::string& name);

// The folder that holds brasko's wet-sensor folders, under the base directory.
extern const char* const kWetSensorDirectory;

}  // namespace site
