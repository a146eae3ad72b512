// Commands whose files are still being written. Each body is replaced by its
// feature file; this file goes away when the last one lands.
#include <QDragEnterEvent>
#include <QKeyEvent>

#include "window/mainwindow.h"

namespace yomika {

void MainWindow::keyPressEvent(QKeyEvent* event) { QMainWindow::keyPressEvent(event); }

} // namespace yomika
