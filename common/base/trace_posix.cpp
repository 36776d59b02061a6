#include "common/base/trace.h"

namespace site {

// The trace's "é": the console shows UTF-8.
const char* const kTraceEAcute = "\xC3\xA9";

}  // namespace site
