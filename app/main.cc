#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "gui/mainwindow.h"
#include "gui/sessionend.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

    // Qt's own texts (message box buttons, file dialogs) in Japanese.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    // The folder of the real executable (links resolved): the analyzer and
    // its dictionary lie beside it.
    yomika::MainWindow window(yomika::locateProgramFolders(QCoreApplication::applicationDirPath()));
    // The message boxes and dialogs carry the window's icon too.
    QApplication::setWindowIcon(window.windowIcon());
    // Before start-up, so that a signal arriving meanwhile still closes the window the ordinary way.
    new yomika::SessionEnd(&window);
    window.model().startUp();
    window.show();
    return QApplication::exec();
}
