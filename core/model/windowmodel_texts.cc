// Texts of any size: files opened and dropped, and the analyzer's output. A
// text that fits a pane is held whole; a larger one stays in its file and is
// streamed where it goes (into input.tmp, or into the file the result is
// saved as), so memory stays bounded whatever the size.

#include <QFileInfo>

#include "core/files/errornumber.h"
#include "core/files/programfiles.h"
#include "core/model/drops.h"
#include "core/model/windowmodel.h"

namespace yomika {

namespace {

const QString resultTooLarge = QStringLiteral("結果が大きすぎて全体を表示できません。\r\n"
                                              "今すぐ結果を保存しますか？");

} // namespace

// A file's text on its way to the sentence pane: whole when it fits,
// otherwise its first units and the file itself.
Result<WindowModel::Incoming> WindowModel::incomingFile(const QString& path)
{
    setBusy(true);
    const Result<TextScan> scan = scanTextFile(path, paneLimit + 1);
    setBusy(false);
    if (!scan)
        return failure(scan.error());
    return Incoming{{TextPiece{{}, path, scan->encoding}}, scan->units, scan->head};
}

// The analyzer's answer: shown when it fits the result pane, otherwise
// offered to be saved whole or shown cut to the pane's size. It is read
// whole only when it may fit.
void WindowModel::showOutput()
{
    const QString output = fixedPath(programfile::outputFile);
    // A UTF-16 unit takes at most three bytes in UTF-8 and two in the other
    // encodings, so a file larger than that for a full pane (and a
    // byte-order mark) holds more than the pane shows.
    if (QFileInfo(output).size() <= 3 * paneLimit + 3) {
        const Result<QString> read = readFile(output);
        if (!read) {
            // An empty pane would say the text had no morphemes.
            m_view.prompter->inform(analyzeFailed(read.error()));
            m_view.result->setText(QString());
            return;
        }
        if (read->size() <= paneLimit) {
            m_view.result->setText(*read);
            return;
        }
    }
    if (m_view.prompter->ask(resultTooLarge)) {
        // Saved whole; the pane keeps what it had before the analysis.
        saveResultAs([&output](const QString& name) { return writeTextFileAsUtf8(output, name); });
        return;
    }
    setBusy(true);
    const Result<TextScan> head = scanTextFile(output, paneLimit + 1);
    setBusy(false);
    if (!head)
        m_view.prompter->inform(analyzeFailed(head.error()));
    m_view.result->setText(head ? paneHead(head->head) : QString());
}

} // namespace yomika
