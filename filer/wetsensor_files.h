// Filing of the wet-sensor files (.raw) into base/wetsensor/<sub>/.
#pragma once

#include <string>

#include "filer/filing_run.h"

namespace site {

// Files one listed .raw name: the sub-directory is the four characters after
// its last '_'; makes sure wetsensor and the sub-directory exist, lists the
// sub-directory and moves the file there under its own name. A name without
// '_' is left alone. Called and left in the base directory.
void file_wetsensor_line(const std::string& name, FilingRun& run);

}  // namespace site
