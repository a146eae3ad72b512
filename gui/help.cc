// The help menu's read-me and About box, and the exit command.

#include <QStringList>

#include "core/platform.h"
#include "gui/mainwindow.h"
#include "gui/prompter.h"

namespace yomika {

void MainWindow::showReadme()
{
    // The viewer runs on its own and is not waited for; a viewer that cannot
    // start leaves the window as it was.
    platform::openTextViewer(fixedPath(QStringLiteral("README.TXT")));
}

void MainWindow::showAbout()
{
    const QStringList lines{
        QStringLiteral("           Yomika 2000 (1999.12.15)"),
        QString(),
        QStringLiteral("作者: Yomika developers"),
        QStringLiteral("画面: Qt (LGPL v3)"),
        QStringLiteral("形態素解析: MeCab (BSD/LGPL/GPL)"),
        QStringLiteral("辞書: IPADIC (BSD-3-Clause-with-ICOT-term)"),
    };
    m_prompter->inform(this, lines.join(QStringLiteral("\r\n")));
}

void MainWindow::exitProgram()
{
    // The same path as the close box, so shut-down runs exactly once.
    close();
}

} // namespace yomika
