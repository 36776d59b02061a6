// The dry run's report: for people, and as JSON for a monitoring system.
#pragma once

#include <string>

#include "sitecheck/archive_audit.h"
#include "sitecheck/site_check.h"

namespace site {

// The configuration, each file's fate, what would stay and why, and the
// verdict line.
std::string human_report(const SiteCheck& check);

// The same as one JSON object. Names and paths are given byte for byte:
// a byte above 127 as \u00XX, whatever the code page.
std::string json_report(const SiteCheck& check, const std::string& version);

// The verdict line.
std::string verdict(const SiteCheck& check);

// The archive audit: the counts, the findings grouped by code, the table
// of folders, and its verdict line.
std::string human_archive_report(const ArchiveAudit& audit);
std::string json_archive_report(const ArchiveAudit& audit, const std::string& version);
std::string archive_verdict(const ArchiveAudit& audit);

}  // namespace site
