// The end-to-end tests' helper on the X display, a process of its own beside
// the program under test:
//
//   e2eprobe drag text TEXT          a drag source offering plain text
//   e2eprobe drag files PATH...      a drag source offering a list of files
//   e2eprobe msgbox ok|ask TEXT      the message box the program shows for TEXT
//   e2eprobe cursor                  the pointer image shown right now
//
// The drag source is a small window titled "e2e drag source"; a mouse press
// in it starts a real drag through the X drag-and-drop protocol, and when the
// drag ends the probe prints "drop-action N" (Qt::DropAction of the answer,
// 0 when the target refused), serves the data for a second and a half more and exits. TEXT may hold \r, \n and \t escapes.
// The message box is made by the program's own dialog code, over the
// program's own window (not shown) with the same translation loaded, so a
// screenshot of it is what the program must show.

#include <QApplication>
#include <QDrag>
#include <QLibraryInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <QWidget>

#include <cstdio>

#include "tests/e2e/cursorimage.h"
#include "gui/mainwindow.h"
#include "gui/dialogprompter.h"

namespace {

QString unescape(const char* argument)
{
    const QString raw = QString::fromUtf8(argument);
    QString text;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'\\' && i + 1 < raw.size()) {
            const QChar next = raw[i + 1];
            if (next == u'r' || next == u'n' || next == u't' || next == u'\\') {
                text += next == u'r' ? u'\r' : next == u'n' ? u'\n' : next == u't' ? u'\t' : u'\\';
                ++i;
                continue;
            }
        }
        text += raw[i];
    }
    return text;
}

class DragSource : public QWidget {
public:
    explicit DragSource(QMimeData* data) : m_data(data)
    {
        setWindowTitle(QStringLiteral("e2e drag source"));
        setFixedSize(120, 80);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || !m_data)
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(m_data);
        m_data = nullptr; // the drag owns it now
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction,
                                                 Qt::CopyAction);
        std::printf("drop-action %d\n", int(action));
        std::fflush(stdout);
        // The drag returns once the drop is sent; the target fetches the data
        // from us afterwards, so stay a while to hand it over, as a file
        // manager would.
        QTimer::singleShot(1500, qApp, &QCoreApplication::quit);
    }

private:
    QMimeData* m_data;
};

int usage()
{
    std::fprintf(stderr, "usage: e2eprobe drag text TEXT | drag files PATH... | "
                         "msgbox ok|ask TEXT | cursor\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2)
        return usage();
    const QByteArray command = argv[1];

    if (command == "cursor") {
        const CursorImage cursor = currentCursorImage();
        if (!cursor.available) {
            std::fprintf(stderr, "e2eprobe: the pointer image cannot be read here\n");
            return 77;
        }
        std::printf("%s %016llx\n", cursor.name.isEmpty() ? "-" : cursor.name.constData(),
                    static_cast<unsigned long long>(cursor.pixelHash));
        return 0;
    }

    QApplication app(argc, argv);
    // The program loads Qt's Japanese texts for its buttons; so does its double.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    if (command == "msgbox" && argc == 4) {
        // The program's window, never shown and never started up, makes the
        // settings it makes for the whole application (its fonts above all)
        // and is the box's parent, as in the program.
        const QTemporaryDir programDir;
        yomika::MainWindow window(yomika::ProgramFolders::portable(programDir.path()));
        const QByteArray kind = argv[2];
        yomika::DialogPrompter prompter(&window);
        if (kind == "ask")
            prompter.ask(unescape(argv[3]));
        else
            prompter.inform(unescape(argv[3]));
        return 0;
    }

    if (command == "drag" && argc >= 4) {
        auto* data = new QMimeData;
        const QByteArray kind = argv[2];
        if (kind == "text") {
            data->setText(unescape(argv[3]));
        } else if (kind == "files") {
            QList<QUrl> urls;
            for (int i = 3; i < argc; ++i)
                urls.append(QUrl::fromLocalFile(QString::fromUtf8(argv[i])));
            data->setUrls(urls);
        } else {
            delete data;
            return usage();
        }
        DragSource source(data);
        source.move(0, 0);
        source.show();
        return QApplication::exec();
    }
    return usage();
}
