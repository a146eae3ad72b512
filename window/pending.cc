// Commands whose files are still being written. Each body is replaced by its
// feature file; this file goes away when the last one lands.
#include <QDragEnterEvent>
#include <QKeyEvent>

#include "window/mainwindow.h"

namespace yomika {

void MainWindow::cut() {}
void MainWindow::copy() {}
void MainWindow::paste() {}
void MainWindow::selectAll() {}
void MainWindow::copyResult() {}
void MainWindow::pasteAsSentence() {}
void MainWindow::openTextFile() {}
void MainWindow::showReadme() {}
void MainWindow::showAbout() {}
void MainWindow::exitProgram() { close(); }
void MainWindow::handleDrop(const QMimeData*) {}
void MainWindow::dragEnterEvent(QDragEnterEvent* event) { QMainWindow::dragEnterEvent(event); }
void MainWindow::dragMoveEvent(QDragMoveEvent* event) { QMainWindow::dragMoveEvent(event); }
void MainWindow::dropEvent(QDropEvent* event) { QMainWindow::dropEvent(event); }
void MainWindow::keyPressEvent(QKeyEvent* event) { QMainWindow::keyPressEvent(event); }

} // namespace yomika
