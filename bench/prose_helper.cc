// Writes `megabytes` MB of Japanese prose from the manual pages, in UTF-8
// with CR LF line ends, to `path`: the text the large-run benchmark drops.
//   prose_helper PATH MEGABYTES

#include <cstdio>
#include <cstdlib>

#include <QFile>

#include "tests/support/prose.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const QByteArray piece = yomika::testsupport::manualPageProse(4'000'000, u"\r\n").toUtf8();
    if (piece.isEmpty()) {
        std::fprintf(stderr, "no Japanese manual pages (manpages-ja)\n");
        return 1;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    const qint64 size = std::atoll(argv[2]) * 1'000'000;
    for (qint64 written = 0; written < size; written += piece.size()) {
        if (file.write(piece) != piece.size())
            return 1;
    }
    return file.flush() ? 0 : 1;
}
