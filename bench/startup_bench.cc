// What an option history of 10 000 entries costs the window's start, in
// this process: construction, startUp, show and first paint, timed with and
// without a settings file. Both run alternately after a warm-up, so the
// window's own start is as cheap as it gets (fonts and code already loaded)
// and the difference is the history's own cost: reading, decoding and
// splitting the file and filling the list. The goal of at most 1.5 times is
// judged on the program's start as a process (startup_bench_x11), which is
// what the user waits for; this bench shows where the difference comes from.

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "gui/mainwindow.h"

namespace {

constexpr int historySize = 10000;
constexpr int runs = 31;

struct Timing {
    double total;     // construction to first paint
    double startUp;   // startUp() alone
    double showPaint; // show() to the first paint
};

class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

Timing startOnce(const QString& programDir)
{
    QElapsedTimer timer;
    timer.start();
    yomika::MainWindow window(yomika::ProgramFolders::portable(programDir));
    PaintWatch watch;
    window.installEventFilter(&watch);
    const qint64 beforeStartUp = timer.nsecsElapsed();
    window.model().startUp();
    const qint64 afterStartUp = timer.nsecsElapsed();
    window.show();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const qint64 total = timer.nsecsElapsed();
    return {total / 1e6, (afterStartUp - beforeStartUp) / 1e6, (total - afterStartUp) / 1e6};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool writeSettings(const QString& path)
{
    // The file as shut-down writes it: six number lines, the delimiter, the
    // append file and the history, CR LF after each, in the code page.
    QByteArray bytes(" 1 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n(\x83\x5e\x83\x75)\r\n/home/user/\x8f\x6f\x97\xcd.txt\r\n");
    const char* fields[] = {"%m", "%M", "%y1", "%a1", "%U(%P-)", "%T \\t%F "};
    for (int i = 0; i < historySize; ++i) {
        bytes += "-F \"";
        for (int f = 0; f < 6; ++f) {
            if ((i >> f) & 1)
                bytes += QByteArray(fields[f]) + "\\t";
        }
        bytes += "%m\\n\" -b " + QByteArray::number(8192 + i) + "\r\n";
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir firstRun;
    QTemporaryDir withHistory;
    if (!firstRun.isValid() || !withHistory.isValid()
        || !writeSettings(withHistory.filePath(QStringLiteral("yomika.ini")))) {
        std::fprintf(stderr, "startup_bench: cannot prepare the program directories\n");
        return 1;
    }

    startOnce(firstRun.path());
    startOnce(withHistory.path());
    std::vector<double> emptyTotal, emptyStartUp, emptyShow, fullTotal, fullStartUp, fullShow;
    for (int i = 0; i < runs; ++i) {
        const Timing empty = startOnce(firstRun.path());
        const Timing full = startOnce(withHistory.path());
        emptyTotal.push_back(empty.total);
        emptyStartUp.push_back(empty.startUp);
        emptyShow.push_back(empty.showPaint);
        fullTotal.push_back(full.total);
        fullStartUp.push_back(full.startUp);
        fullShow.push_back(full.showPaint);
    }

    const double ratio = median(fullTotal) / median(emptyTotal);
    std::printf("window start in process, construction to first paint, median of %d (platform %s)\n", runs,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  without a settings file          %8.2f ms  (startUp %6.2f ms, show to paint %6.2f ms)\n",
                median(emptyTotal), median(emptyStartUp), median(emptyShow));
    std::printf("  with a history of %d entries  %8.2f ms  (startUp %6.2f ms, show to paint %6.2f ms)\n",
                historySize, median(fullTotal), median(fullStartUp), median(fullShow));
    std::printf("  ratio %.2f, the history adds %.2f ms (warm; the goal is judged on the process start)\n", ratio,
                median(fullTotal) - median(emptyTotal));
    return 0;
}
