#include "stamper/stamping_pass.h"

#include <ctime>
#include <optional>
#include <string>

#include "common/fs/paths.h"
#include "common/site/path_config.h"
#include "common/site/run_observer.h"
#include "common/site/site_run.h"
#include "common/text/listing.h"
#include "common/text/name_rule.h"
#include "common/text/text_reader.h"
#include "common/text/wildcard.h"
#include "stamper/new_name.h"
#include "stamper/photometer_number.h"
#include "stamper/site_name.h"

namespace site {

namespace {

constexpr const char* kStampedPattern = "*.K?";
// The record of a rename that is not a single step (a name moved aside to
// prove that two names are two copies), kept while it runs.
constexpr const char* kMoveRecord = "tolvik-move.txt";

void print_version_lines(Trace& trace) {
    trace << "Version 2 (1/6/2007) ajout de l'ann" << kTraceEAcute << "e uniquement si pas fait et pas dans l'heure\n"
          << "Version 2 (28/8/2007) Correction du bug sur le num de photometre : nomPAR[ strlen(nomPAR)-1]='0' "
             "retire  \n\n"
          << "Version 3 (25/2/2013) introduction du nom du site issu du fichier INI\n"
          << "Version 3 (15/5/2014) introduction du nom du site issu du fichier INI pour les fichier K8\n"
          << "Version 3 (1/3/2015) Pour les K8 ajout de l heure en fin de fichier -hhmm \n";
}

class Stamper {
public:
    Stamper(const PathConfig& paths, const std::string& start_directory, Trace& trace, CommandInterpreter& interpreter,
            FileSystem& fs, Host& host, RunObserver& observer)
        : paths_(paths),
          start_directory_(start_directory),
          trace_(trace),
          interpreter_(interpreter),
          fs_(fs),
          host_(host),
          observer_(observer) {}

    void stamp(const std::string& name);

private:
    // A listed file that can be stamped.
    struct CheckedFile {
        DataKind kind = DataKind::K7;
        K7Header header{};
        DosStamp stamp;
    };

    // Reads what the name needs of the file and checks that it can be
    // stamped; otherwise nothing, after a trace line that says why.
    std::optional<CheckedFile> open_checked(const std::string& name);
    // The start of the new name (.K7 prefix or .K8 first token), traced;
    // nothing when a .K7 file's number cannot be known.
    std::optional<std::string> traced_start(const std::string& name, const CheckedFile& file);
    // The clock and file date lines.
    void trace_dates(const std::string& name, const DosStamp& stamp);
    // The clock's text for its "Local time" line, made again only when the
    // clock has moved on to another second.
    const std::string& clock_text();
    // The start of a .K7 name, from the header's photometer number;
    // nothing, after a trace line, when the parameter file does not say
    // which form the number has: a guess could give the file another
    // instrument's number.
    std::optional<std::string> start_k7_name(const K7Header& header);
    // The site name, with its trace when the site file is there; empty
    // when there is no site part.
    std::string traced_site_name();
    // Takes the .K7 header from the file's first bytes; false (with its
    // trace line) for a short file.
    bool read_header(const std::string& bytes, K7Header& header);
    // Writes the Program Files directory into path.txt, as each .K7 file's
    // turn asks: once a run, since it would write the same line each time
    // (the process's environment does not change), and nothing reads it.
    void write_path_file();
    // Leaves the file being stamped as it is: the trace line that says why
    // ("| <why>, nom inchange"), and the same to the observer.
    void keep_name(Refusal refusal, const std::string& why);

    const PathConfig& paths_;
    const std::string& start_directory_;
    Trace& trace_;
    CommandInterpreter& interpreter_;
    FileSystem& fs_;
    Host& host_;
    RunObserver& observer_;
    std::string listed_;  // the name of the file being stamped
    bool path_file_written_ = false;
    std::time_t clock_second_ = 0;
    std::string clock_text_;  // for clock_second_; empty until first made
    FileValueCache<std::string> site_files_;
    FileValueCache<ParValues> par_files_;
};

bool Stamper::read_header(const std::string& bytes, K7Header& header) {
    const std::optional<K7Header> read = k7_header_of(bytes);
    if (!read) {
        keep_name(Refusal::K7TooShort, "fichier K7 trop court (" + std::to_string(bytes.size()) + " octets)");
        return false;
    }
    header = *read;
    return true;
}

std::optional<std::string> Stamper::start_k7_name(const K7Header& header) {
    const std::string par_name = par_file_name(header);
    write_path_file();
    const ParValues par = look_up_par(par_name, fs_, host_, trace_, par_files_);
    trace_ << "\n  Pour le fichier " << par_name << " ADR=" << par.adr << " Nb=" << par.nb << " ";
    if (!par.found) {
        keep_name(Refusal::NoPhotometerNumber, "pas de numero : " + par.file + " absent ou sans ligne Number");
        return std::nullopt;
    }
    const unsigned number = photometer_number(header, par.adr);
    trace_ << "| num-->" << number << "\n";
    return k7_prefix(number);
}

std::string Stamper::traced_site_name() {
    const std::optional<std::string> site_name = read_site_name(fs_, start_directory_, site_files_);
    if (!site_name) return std::string();
    trace_ << "Fichier INI  " << kSiteFile << "\n";
    trace_ << "nom du site " << *site_name << "\n";
    return *site_name;
}

std::optional<Stamper::CheckedFile> Stamper::open_checked(const std::string& name) {
    CheckedFile file;
    const FileRead data = fs_.read(join_path(paths_.to_send, name), kK7HeaderSize);
    if (data.status != FsStatus::Ok) {
        keep_name(Refusal::Unreadable, "fichier illisible");
        return std::nullopt;
    }
    const char last = name.size() >= 3 ? name.back() : '\0';
    if (last != '7' && last != '8') {
        keep_name(Refusal::NeitherK7NorK8, "ni K7 ni K8");
        return std::nullopt;
    }
    file.kind = last == '7' ? DataKind::K7 : DataKind::K8;
    if (file.kind == DataKind::K7 && !read_header(data.bytes, file.header)) return std::nullopt;
    const std::optional<DosStamp> stamp = dos_stamp_of(host_, data.info);
    if (!stamp) {
        keep_name(Refusal::DateUnreadable, "date du fichier illisible");
        return std::nullopt;
    }
    file.stamp = *stamp;
    return file;
}

std::optional<std::string> Stamper::traced_start(const std::string& name, const CheckedFile& file) {
    std::string start;
    if (file.kind == DataKind::K7) {
        const std::optional<std::string> k7_start = start_k7_name(file.header);
        if (!k7_start) return std::nullopt;
        start = *k7_start;
    }
    trace_ << "| longnomk7-->" << name << "\n";
    if (file.kind == DataKind::K8) {
        start = k8_prefix(name);
        trace_ << "| JB=" << static_cast<unsigned>(start.size() - 1) << " numK8-->" << start << "\n";
    }
    return start;
}

void Stamper::trace_dates(const std::string& name, const DosStamp& stamp) {
    const std::string& clock = clock_text();
    trace_ << "Local time is: " << clock;
    trace_ << "Local year is: " << clock.substr(clock.size() - 5);
    trace_ << "File date:" << stamp.hour() << ":" << stamp.minute() << " " << stamp.month() << "/" << stamp.day() << "/"
           << stamp.year() << "\n";
    trace_ << "Local file year is: " << stamp.year() << " | nomk7=" << name << "\n";
}

void Stamper::write_path_file() {
    if (path_file_written_) return;
    interpreter_.run(Command::echo("%programfiles%", "path.txt"));
    path_file_written_ = true;
}

const std::string& Stamper::clock_text() {
    const std::time_t now = host_.now();
    if (clock_text_.empty() || now != clock_second_) {
        clock_text_ = local_time_text(host_, now);
        clock_second_ = now;
    }
    return clock_text_;
}

void Stamper::keep_name(Refusal refusal, const std::string& why) {
    const std::string reason = why + ", nom inchange";
    trace_ << "| " << reason << "\n";
    observer_.refused(listed_, refusal, reason);
}

void Stamper::stamp(const std::string& name) {
    listed_ = name;
    trace_ << "Fichier " << name << " ";
    std::optional<CheckedFile> file = open_checked(name);
    if (!file) return;
    const std::optional<std::string> start = traced_start(name, *file);
    if (!start) return;
    const std::string site_name = traced_site_name();
    trace_dates(name, file->stamp);
    const DosStamp& stamp = file->stamp;
    const NewName new_name =
        compose_new_name(name, file->kind, *start, site_name, stamp.year(), stamp.hour(), stamp.minute());
    trace_ << "New nom de Fichier " << new_name.before_tail << " | j=" << static_cast<int>(new_name.before_tail.size())
           << "\n\n";
    trace_ << "New nom de Fichier " << new_name.name << " \n\n";
    if (!is_portable_name(new_name.name)) {
        // Through the site name or a .K8 name's first token: a name that
        // Windows could not hold, or that would be read as more than a name.
        keep_name(Refusal::NewNameRefused, "nouveau nom refuse (caractere interdit dans un nom)");
        return;
    }

    observer_.ran(name, interpreter_.run(Command::rename(join_path(paths_.to_send, name), new_name.name)));
}

}  // namespace

const PathConfig kStamperDefaults = {"C:\\vardel\\base", "C:\\vardel\\base\\aenvoyer", "C:\\vardel\\base\\envoye"};
const char* const kStamperListingFile = "dirk7-2.txt";

bool is_listed_k7(const std::string& name) { return wildcard_match(kStampedPattern, name) && name.back() == '7'; }

void run_stamping_pass(Trace& trace, CommandInterpreter& interpreter, FileSystem& fs, Host& host,
                       RunObserver& observer) {
    const std::string start_directory = interpreter.current_directory();
    const std::optional<OpenSiteRun> opened = open_site_run(
        {"tolvik", kStamperDefaults, WorkDirectory::ToSend, kMoveRecord, "\n"}, trace, interpreter, fs, observer);
    if (!opened) return;
    const PathConfig& paths = opened->paths;

    const std::string listing_path = join_path(paths.base, kStamperListingFile);
    observer.ran("", interpreter.run(Command::list_matching(join_path(paths.to_send, kStampedPattern), listing_path)));
    std::optional<TextReader> listing = read_text(fs, listing_path);
    if (!listing) {
        trace << "\nListe " << listing_path << " illisible";
        listing = TextReader::from_bytes("");
    }

    Stamper stamper(paths, start_directory, trace, interpreter, fs, host, observer);
    while (!listing->eof()) {
        std::string name;
        switch (read_listing_line(*listing, name)) {
            case ListingRead::Name: stamper.stamp(name); break;
            case ListingRead::Unterminated:
            case ListingRead::End: trace << "\nPlus de fichier\n"; break;
            case ListingRead::TooLong:
                trace << "\n" << kListedNameTooLong << " : " << name << "...\n";
                observer.refused(name, Refusal::ListedNameTooLong, kListedNameTooLong);
                break;
            case ListingRead::NotAName: trace << not_listed_line(name); break;
        }
    }
    print_version_lines(trace);
}

}  // namespace site
