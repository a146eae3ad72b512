// Taking results out: saving under a chosen name, choosing the append file
// and appending to it. The files hold the texts exactly, nothing added; the
// whole-file operations keep an old file intact when a write fails.

#include "gui/exacttextedit.h"
#include "gui/mainwindow.h"
#include "gui/prompter.h"

namespace yomika {

namespace {

QString saveFailed(int error)
{
    return QStringLiteral("保存中にエラーが発生しました ") + QString::number(error);
}

} // namespace

void MainWindow::saveResultAs(const QString& text)
{
    const QString name = m_prompter->chooseSaveFile(
        this, QStringLiteral("解析結果を名前を付けて保存"), m_appendFileName);
    if (name.isEmpty())
        return;
    if (const int error = writeFile(name, text)) {
        m_prompter->inform(this, saveFailed(error));
        return;
    }
    // The file just written is where further results collect.
    m_appendFileName = name;
    updateCaption();
}

void MainWindow::saveResult()
{
    if (isRunning())
        return;
    saveResultAs(m_result->text());
    // Emptied whatever the save ended with, also after a cancel or a failure.
    m_result->setText(QString());
}

void MainWindow::chooseAppendFile()
{
    const QString name = m_prompter->chooseSaveFile(this, QStringLiteral("追加ファイルの指定"),
                                                    m_appendFileName);
    if (name.isEmpty())
        return;
    // Only remembered: the file is created by the first append.
    m_appendFileName = name;
    updateCaption();
}

void MainWindow::appendResult()
{
    if (isRunning())
        return;
    if (m_appendFileName.isEmpty())
        chooseAppendFile();
    if (m_appendFileName.isEmpty())
        return;
    if (const int error = appendFile(m_appendFileName, m_result->text())) {
        m_prompter->inform(this, saveFailed(error));
        return;
    }
    m_result->setText(QString());
}

} // namespace yomika
