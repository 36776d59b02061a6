#include <unistd.h>

#include "common/base/trace.h"

namespace site {

// The trace's "é": the console shows UTF-8.
const char* const kTraceEAcute = "\xC3\xA9";

bool Trace::is_terminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

}  // namespace site
