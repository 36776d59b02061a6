#include "sitecheck/command_line.h"

#include "common/fs/real_file_system.h"
#include "sitecheck/report.h"
#include "sitecheck/site_check.h"

namespace site {

namespace {

constexpr const char* kUsage =
    "usage: sitecheck [--archive] [--json] [--trace] [--help] [--version]\n"
    "\n"
    "Run from the site's working directory (where tolvik and brasko start), sitecheck shows\n"
    "what tolvik, the transfer to the sent directory and brasko would do to each data file,\n"
    "without changing one byte on the disk.\n"
    "\n"
    "  --archive  an audit of the archive under the base directory instead: misfiled,\n"
    "             misdated, short, empty and duplicated files, and the programs' leftovers\n"
    "  --json     the same report as JSON, for a monitoring system\n"
    "  --trace    the traces that tolvik and brasko would print, after the report\n"
    "  --help     this text\n"
    "  --version  the version\n"
    "\n"
    "Exit status: 0 every file would be handled; 1 some would stay where they are, or a\n"
    "clock looks wrong; 2 the configuration is wrong (a directory, a parameter file or the\n"
    "site name missing) or the command line is. With --archive: 0 nothing found; 1 findings;\n"
    "2 the archive cannot be read.\n";

void write(std::FILE* stream, const std::string& text) { std::fwrite(text.data(), 1, text.size(), stream); }

std::string traces_of(const SiteCheck& check) {
    return "\n== tolvik ==\n" + check.stamper_trace + "\n== transfer ==\n" + check.transfer_trace + "\n== brasko ==\n" +
           check.filer_trace + "\n";
}

}  // namespace

CheckOptions parse_check_options(const std::vector<std::string>& arguments) {
    CheckOptions options;
    for (const std::string& argument : arguments) {
        if (argument == "--json")
            options.json = true;
        else if (argument == "--archive")
            options.archive = true;
        else if (argument == "--trace")
            options.trace = true;
        else if (argument == "--help" || argument == "-h" || argument == "/?")
            options.help = true;
        else if (argument == "--version")
            options.version = true;
        else if (options.problem.empty())
            options.problem = "sitecheck: unknown argument " + argument + "\n";
    }
    return options;
}

int run_sitecheck(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
    const CheckOptions options = parse_check_options(arguments);
    if (!options.problem.empty()) {
        write(err, options.problem + kUsage);
        return 2;
    }
    if (options.help) {
        write(out, kUsage);
        return 0;
    }
    if (options.version) {
        write(out, std::string("sitecheck ") + SITE_VERSION + "\n");
        return 0;
    }
    RealFileSystem disk;
    Host& host = system_host();
    if (options.archive) {
        const ArchiveAudit audit = audit_archive(disk, host, host.start_directory());
        write(out, options.json ? json_archive_report(audit, SITE_VERSION) : human_archive_report(audit));
        return audit.status();
    }
    // The traces are as long as the programs' own (a wet-sensor file lists
    // its folder each time): kept only when they are shown.
    const SiteCheck check =
        check_site(disk, host, host.start_directory(), options.trace ? Trace::Keep::text : Trace::Keep::nothing);
    write(out, options.json ? json_report(check, SITE_VERSION) : human_report(check));
    if (options.trace) write(options.json ? err : out, traces_of(check));
    return check.status();
}

}  // namespace site
