// Commands whose files are still being written. Each body is replaced by its
// feature file; this file goes away when the last one lands.
#include <QDragEnterEvent>
#include <QKeyEvent>

#include "window/mainwindow.h"

namespace yomika {

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
void MainWindow::cut() {}
void MainWindow::copy() {}
void MainWindow::paste() {}
void MainWindow::selectAll() {}
void MainWindow::copyResult() {}
void MainWindow::pasteAsSentence() {}
void MainWindow::openTextFile() {}
void MainWindow::saveResult() {}
void MainWindow::chooseAppendFile() {}
void MainWindow::appendResult() {}
void MainWindow::showReadme() {}
void MainWindow::showAbout() {}
void MainWindow::exitProgram() { close(); }
void MainWindow::handleDrop(const QMimeData*) {}
bool MainWindow::isRunning() const { return false; }
void MainWindow::cancelRun() {}
void MainWindow::dragEnterEvent(QDragEnterEvent* event) { QMainWindow::dragEnterEvent(event); }
void MainWindow::dragMoveEvent(QDragMoveEvent* event) { QMainWindow::dragMoveEvent(event); }
void MainWindow::dropEvent(QDropEvent* event) { QMainWindow::dropEvent(event); }
void MainWindow::keyPressEvent(QKeyEvent* event) { QMainWindow::keyPressEvent(event); }

} // namespace yomika
