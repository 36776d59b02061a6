#include "filer/filing_pass.h"

#include <optional>
#include <string>

#include "common/fs/file_keeper.h"
#include "common/fs/paths.h"
#include "common/site/path_config.h"
#include "common/site/site_run.h"
#include "common/text/listing.h"
#include "common/text/text_reader.h"
#include "filer/archive_place.h"
#include "filer/photometer_files.h"
#include "filer/wetsensor_files.h"

namespace site {

const char* const kFilerMoveRecord = "brasko-move.txt";
const char* const kFilerListingFile = "dirk7.txt";
const PathConfig kFilerDefaults = {"D:\\logiciels\\dravex\\base", "D:\\logiciels\\dravex\\base\\aenvoyer",
                                   "D:\\logiciels\\dravex\\base\\envoye"};

namespace {

constexpr const char* kOwnTemporaryName = "nom de fichier temporaire des programmes, fichier laisse en place";

void say_nothing_to_file(CommandInterpreter& interpreter) {
    for (const char* text : {"off", "", "", "pas de fichier a ranger", "", ""}) interpreter.run(Command::echo(text));
}

// The first word of the listing, empty when it holds only white space or
// cannot be read.
std::string first_listed_word(FileSystem& fs, const std::string& listing_path, Trace& trace) {
    std::string word;
    if (std::optional<TextReader> listing = read_text(fs, listing_path))
        listing->read_word(word);
    else
        trace << "\nListe " << listing_path << " illisible";
    trace << "\ntmp-" << static_cast<int>(word.size()) << "->" << word;
    return word;
}

void file_listed_names(TextReader& listing, FilingRun& run) {
    Trace& trace = run.trace;
    std::string name;
    for (ListingRead read; (read = read_listing_line(listing, name)) != ListingRead::End;) {
        if (read == ListingRead::TooLong) {
            trace << "\n\n" << kListedNameTooLong << " : " << name << "...\n";
            run.observer.refused(name, Refusal::ListedNameTooLong, kListedNameTooLong);
            continue;
        }
        if (read == ListingRead::NotAName) {
            trace << not_listed_line(name);
            continue;
        }
        trace << "\n\n-->" << name << "\n";
        run.listed = name;
        // A copy or a file moved aside by a stopped move: it is never taken
        // for a data file of its own, and the trace says it is there.
        switch (listed_kind(name)) {
            case ListedKind::OwnTemporary:
                run.refuse(Refusal::OwnTemporaryName, kOwnTemporaryName, TraceMark::refused);
                break;
            case ListedKind::Photometer: file_photometer_line(name, run); break;
            case ListedKind::WetSensor: file_wetsensor_line(name, run); break;
            case ListedKind::Other: break;
        }
    }
}

}  // namespace

void run_filing_pass(Trace& trace, CommandInterpreter& interpreter, FileSystem& fs, RunObserver& observer) {
    const std::optional<OpenSiteRun> opened = open_site_run(
        {"brasko", kFilerDefaults, WorkDirectory::Sent, kFilerMoveRecord, ""}, trace, interpreter, fs, observer);
    if (!opened) return;
    const PathConfig& paths = opened->paths;

    const std::string listing_path = join_path(paths.base, kFilerListingFile);
    const Command list = Command::list_directory(paths.sent, listing_path);
    trace << "\ntmp-->" << list.rendered() << "\n";
    observer.ran("", interpreter.run(list));
    trace << "\ntmp-->" << listing_path;

    if (first_listed_word(fs, listing_path, trace).empty()) {
        say_nothing_to_file(interpreter);
        return;
    }
    std::optional<TextReader> listing = read_text(fs, listing_path);
    if (!listing) return;
    FilingRun run{paths, trace, interpreter, fs, observer, std::string()};
    run.return_to_base();
    file_listed_names(*listing, run);
}

}  // namespace site
