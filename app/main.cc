#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "gui/mainwindow.h"
#include "gui/sessionend.h"

namespace {

// Adds the large icon (task switchers, docks) after the window's first
// paint: decoding the 256-pixel image would otherwise hold that paint up.
// The message boxes and dialogs carry the window's icon too.
class LargeIconAfterFirstPaint : public QObject {
public:
    explicit LargeIconAfterFirstPaint(QWidget* window)
        : QObject(window)
        , m_window(window)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            m_window->removeEventFilter(this);
            // Queued, so that it runs once the whole window is on screen.
            QMetaObject::invokeMethod(this, [this] { addLargeIcon(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void addLargeIcon()
    {
        QIcon icon = m_window->windowIcon();
        icon.addFile(QStringLiteral(":/icons/yomika.png"));
        m_window->setWindowIcon(icon);
        QApplication::setWindowIcon(icon);
        deleteLater();
    }

    QWidget* m_window;
};

} // namespace

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
    QApplication::setWindowIcon(window.windowIcon());
    new LargeIconAfterFirstPaint(&window);
    // Before start-up, so that a signal arriving meanwhile still closes the window the ordinary way.
    new yomika::SessionEnd(&window);
    window.model().startUp();
    window.show();
    return QApplication::exec();
}
