// Writes or appends whole texts through the file layer without end, for the
// kill test to end it with SIGKILL at a random moment:
//   killwriter write PATH    replaces PATH with wholeText(0), wholeText(1), ...
//   killwriter append PATH   appends appendPiece(0), appendPiece(1), ... to PATH
// It prints "started" once it is about to write, and stops at the first
// failure with status 1.

#include <cstdio>
#include <cstring>

#include <QString>

#include "core/wholefile.h"
#include "tests/faults/killtexts.h"

int main(int argc, char* argv[])
{
    if (argc != 3 || (std::strcmp(argv[1], "write") != 0 && std::strcmp(argv[1], "append") != 0)) {
        std::fprintf(stderr, "usage: killwriter write|append PATH\n");
        return 2;
    }
    const bool append = std::strcmp(argv[1], "append") == 0;
    const QString path = QString::fromLocal8Bit(argv[2]);
    std::printf("started\n");
    std::fflush(stdout);
    for (int i = 0;; ++i) {
        const int error = append ? yomika::appendWholeFile(path, yomika::killtest::appendPiece(i))
                                 : yomika::writeWholeFile(path, yomika::killtest::wholeText(i));
        if (error != 0) {
            std::fprintf(stderr, "killwriter: error %d at %d\n", error, i);
            return 1;
        }
    }
}
