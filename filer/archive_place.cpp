#include "filer/archive_place.h"

#include "common/fs/file_keeper.h"
#include "common/text/wildcard.h"
#include "filer/archive_rules.h"
#include "filer/listed_names.h"

namespace site {

const char* const kWetSensorDirectory = "wetsensor";

namespace {

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

ArchivePlace not_filed(NotFiled why) {
    ArchivePlace place;
    place.not_filed = why;
    return place;
}

ArchivePlace photometer_place(const std::string& name) {
    NameProblem problem;
    const PhotometerName parsed = parse_photometer_name(name, problem);
    if (problem == NameProblem::NoP) return not_filed(NotFiled::NoP);
    if (problem == NameProblem::NoUnderscore) return not_filed(NotFiled::NoUnderscore);
    const std::optional<std::string> photometer = archive_directory_name(parsed.directory);
    if (!photometer) return not_filed(NotFiled::DirectoryRefused);
    if (!is_archive_year(parsed.year)) {
        ArchivePlace place = not_filed(NotFiled::DirectoryRefused);
        place.photometer = *photometer;
        return place;
    }
    if (!wildcard_match(parsed.file_pattern(), name)) return not_filed(NotFiled::PatternMissesFile);
    return ArchivePlace{{*photometer, parsed.year}, std::nullopt, parsed.year, *photometer};
}

ArchivePlace wetsensor_place(const std::string& name) {
    const std::optional<WetSensorName> parsed = parse_wetsensor_name(name);
    if (!parsed) return not_filed(NotFiled::NoUnderscore);
    const std::optional<std::string> directory = archive_directory_name(parsed->sub);
    if (!directory) return not_filed(NotFiled::DirectoryRefused);
    if (parsed->base_name + ".raw" != name) return not_filed(NotFiled::MovesAnotherName);
    return ArchivePlace{{kWetSensorDirectory, *directory}, std::nullopt, std::string(), std::string()};
}

}  // namespace

ListedKind listed_kind(const std::string& name) {
    if (is_own_temporary_name(name)) return ListedKind::OwnTemporary;
    if (contains(name, ".K7") || contains(name, ".k8") || contains(name, ".K8")) return ListedKind::Photometer;
    if (contains(name, ".raw")) return ListedKind::WetSensor;
    return ListedKind::Other;
}

ArchivePlace archive_place(const std::string& name) {
    switch (listed_kind(name)) {
        case ListedKind::OwnTemporary: return not_filed(NotFiled::OwnTemporary);
        case ListedKind::Photometer: return photometer_place(name);
        case ListedKind::WetSensor: return wetsensor_place(name);
        case ListedKind::Other: break;
    }
    return not_filed(NotFiled::NotADataName);
}

}  // namespace site
