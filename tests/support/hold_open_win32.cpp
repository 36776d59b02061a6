// Holds a file open as another program on the site PC may (a log viewer,
// an editor): reading and writing shared with others, deleting and renaming
// not, until its standard input ends. For the tests of the command files
// under Wine: "held" on standard output once the file is open.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const HANDLE file = ::CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::puts("held");
    std::fflush(stdout);
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
    }
    ::CloseHandle(file);
    return 0;
}
