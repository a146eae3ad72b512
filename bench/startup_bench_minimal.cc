// The smallest Qt window program, what the program's own start-up is
// measured against: it shows an empty main window and waits. With the
// argument "label" the window shows one line of Japanese text, which tells
// how much of a start is only the font system's.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("minimal"));
    if (QCoreApplication::arguments().contains(QStringLiteral("label")))
        window.setCentralWidget(new QLabel(QStringLiteral("クリアを押してから文を入力してください。"), &window));
    window.show();
    return QApplication::exec();
}
