// Platform helpers that are the same on every system.
#include "common/platform/platform.h"

#include <cstdio>

namespace site {

OsFile& OsFile::operator=(OsFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        info_at_open_ = other.info_at_open_;
        other.handle_ = kNoHandle;
    }
    return *this;
}

}  // namespace site
