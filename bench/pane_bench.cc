// How long a pane takes to take a text and give it back. The goal: setText
// and text() on a full pane, 32767 characters of ordinary Japanese lines with
// CR LF line ends, well under 20 ms. Larger texts show how the time grows.
// The text is Japanese prose from the manual pages of manpages-ja.
// Run with QT_QPA_PLATFORM=offscreen (set here when unset).

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTextCursor>

#include "tests/support/prose.h"
#include "gui/exacttextedit.h"

using yomika::ExactTextEdit;

namespace {

constexpr double goalMs = 20.0;
constexpr int paneLimit = 32767;

// Prose lines of the Japanese manual pages, about `wanted` units in all.
QStringList proseLines(qsizetype wanted)
{
    QStringList lines = yomika::testsupport::manualPageProse(wanted * 3).split(u'\n');
    lines.removeAll(QString());
    return lines;
}

// `length` units of the lines joined by CR LF, starting at line `offset`, so
// that two texts of one length differ.
QString proseText(const QStringList& lines, qsizetype length, qsizetype offset)
{
    QString text;
    text.reserve(length + 512);
    for (qsizetype i = offset; text.size() < length; ++i) {
        text += lines[i % lines.size()];
        text += QStringLiteral("\r\n");
    }
    text.truncate(length);
    return text;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures {
    double setAndText = 0; // ms
    double textAfterEdit = 0;
    double firstPaint = 0;
};

// Median times over `runs`, alternating two texts so that every set replaces
// a different text.
Figures measure(ExactTextEdit& edit, const QString& a, const QString& b, int runs)
{
    std::vector<double> setAndText;
    std::vector<double> textAfterEdit;
    std::vector<double> firstPaint;
    QElapsedTimer timer;
    for (int run = 0; run < runs; ++run) {
        const QString& text = run % 2 ? b : a;
        timer.start();
        edit.setText(text);
        const QString back = edit.text();
        setAndText.push_back(timer.nsecsElapsed() / 1e6);
        if (back != text) {
            std::fprintf(stderr, "round trip failed\n");
            std::exit(1);
        }
        timer.start();
        edit.viewport()->repaint();
        firstPaint.push_back(timer.nsecsElapsed() / 1e6);

        // One typed character in the middle, then the text again.
        QTextCursor cursor = edit.textCursor();
        cursor.setPosition(edit.document()->characterCount() / 2);
        cursor.insertText(QStringLiteral("あ"));
        timer.start();
        const QString edited = edit.text();
        textAfterEdit.push_back(timer.nsecsElapsed() / 1e6);
        if (edited.size() != text.size() + 1) {
            std::fprintf(stderr, "edit lost\n");
            std::exit(1);
        }
    }
    return {median(setAndText), median(textAfterEdit), median(firstPaint)};
}

// The same through a bare QPlainTextEdit, which loses line ends: what the
// document itself costs.
double measureBare(QPlainTextEdit& edit, const QString& a, const QString& b, int runs)
{
    std::vector<double> times;
    QElapsedTimer timer;
    for (int run = 0; run < runs; ++run) {
        timer.start();
        edit.setPlainText(run % 2 ? b : a);
        const QString back = edit.toPlainText();
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (back.isEmpty())
            std::exit(1);
    }
    return median(times);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const qsizetype largest = 1 << 20;
    const QStringList lines = proseLines(largest + largest / 4);
    if (lines.size() < 100) {
        std::fprintf(stderr, "pane_bench: no Japanese manual pages under /usr/share/man/ja/man1\n");
        return 1;
    }
    qsizetype lineUnits = 0;
    for (const QString& line : lines)
        lineUnits += line.size();
    std::printf("Text: %lld prose lines from manpages-ja, %.1f characters a line on average, CR LF line ends\n",
                static_cast<long long>(lines.size()), double(lineUnits) / double(lines.size()));

    // The sentence pane at its design size (7560 x 1215 twips), wrapping lines.
    ExactTextEdit edit;
    edit.resize(504, 81);
    edit.show();
    QPlainTextEdit bare;
    bare.resize(504, 81);
    bare.show();
    QCoreApplication::processEvents();

    const QString full = proseText(lines, paneLimit, 0);
    const Figures pane = measure(edit, full, proseText(lines, paneLimit, 7), 41);
    std::printf("\nFull pane, %d characters, %lld lines (median of 41 runs):\n", paneLimit,
                static_cast<long long>(full.count(u'\n') + 1));
    std::printf("  setText + text():        %7.3f ms   goal < %.0f ms   ratio %.3f\n", pane.setAndText, goalMs,
                pane.setAndText / goalMs);
    std::printf("  text() after an edit:    %7.3f ms\n", pane.textAfterEdit);
    std::printf("  first paint after set:   %7.3f ms\n", pane.firstPaint);

    std::printf("\nScaling (median of 9 runs):\n");
    std::printf("  %10s %10s %16s %14s %18s %22s\n", "characters", "lines", "setText+text ms", "ns/character",
                "text() after edit", "bare QPlainTextEdit ms");
    for (qsizetype length : {qsizetype(paneLimit), qsizetype(131072), qsizetype(524288), largest}) {
        const QString text = proseText(lines, length, 0);
        const QString other = proseText(lines, length, 3);
        const Figures f = measure(edit, text, other, 9);
        const double bareMs = measureBare(bare, text, other, 9);
        std::printf("  %10lld %10lld %16.3f %14.1f %15.3f ms %22.3f\n", static_cast<long long>(length),
                    static_cast<long long>(text.count(u'\n') + 1), f.setAndText,
                    f.setAndText * 1e6 / double(length), f.textAfterEdit, bareMs);
    }
    return 0;
}
