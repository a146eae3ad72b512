// Commands whose files are still being written. Each body is replaced by its
// feature file; this file goes away when the last one lands.
#include <QDragEnterEvent>
#include <QKeyEvent>

#include "window/mainwindow.h"

namespace yomika {

void MainWindow::startUp() { buildOptionString(); updateCaption(); }
void MainWindow::shutDown() {}
void MainWindow::loadSentenceText(const QString&) {}
void MainWindow::showResultText(const QString&) {}
QString MainWindow::runAnalyzer(const QString&) { return {}; }
void MainWindow::pushUndoSnapshot() {}
void MainWindow::saveResultAs(const QString&) {}
void MainWindow::analyzeAll() {}
void MainWindow::analyzePartial() {}
void MainWindow::clearPanes() {}
void MainWindow::undo() {}
void MainWindow::redo() {}
void MainWindow::saveResult() {}
void MainWindow::chooseAppendFile() {}
void MainWindow::appendResult() {}
bool MainWindow::isRunning() const { return false; }
void MainWindow::cancelRun() {}
void MainWindow::keyPressEvent(QKeyEvent* event) { QMainWindow::keyPressEvent(event); }

} // namespace yomika
