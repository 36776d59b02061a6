#include <io.h>

#include "common/base/trace.h"

namespace site {

// The trace's "é": the console's 8-bit code page.
const char* const kTraceEAcute = "\xE9";

bool Trace::is_terminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

}  // namespace site
