// Filing of the photometer data files (.K7, .K8, .k8) into
// base/<photometer>/<year>/.
#pragma once

#include <string>

#include "filer/filing_run.h"

namespace site {

// Files the photometer of one listed name: takes the photometer directory
// from the four characters after the first 'P' (less one leading zero) when
// the first '_' stands five places after it, else from two characters, and
// the year directory from the four characters after the last '_'; makes
// sure both exist and moves every file of that photometer from the sent
// directory into the year directory. Called and left in the base directory.
void file_photometer_line(const std::string& name, FilingRun& run);

}  // namespace site
