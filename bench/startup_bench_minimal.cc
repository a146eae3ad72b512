// The smallest Qt window program: what the program's own start-up is
// measured against. It shows an empty main window and waits.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("minimal"));
    window.show();
    return QApplication::exec();
}
