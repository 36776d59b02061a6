#include "common/base/trace.h"

namespace site {

// The trace's "é": the console's 8-bit code page.
const char* const kTraceEAcute = "\xE9";

}  // namespace site
