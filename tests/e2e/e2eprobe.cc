// The end-to-end tests' drag source, a process of its own beside the program
// under test, on Qt alone:
//
//   e2eprobe text TEXT        offers plain text
//   e2eprobe files PATH...    offers a list of files
//
// It shows a small window titled "e2e drag source"; a mouse press in it
// starts a real drag through the X drag-and-drop protocol. It prints
// "dragging" when the drag starts, "accepted" once a target has said it takes
// the drop, and "drop-action N" (the Qt::DropAction of the answer, 0 when
// refused) when the drag ends. It then stays to hand the data over to the
// target, which fetches it after the drop, until it is ended.

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <utility>

namespace {

class DragSource : public QWidget {
public:
    explicit DragSource(QMimeData* data) : m_data(data)
    {
        setWindowTitle(QStringLiteral("e2e drag source"));
        setFixedSize(120, 80);
    }

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        if (!m_data)
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(std::exchange(m_data, nullptr)); // the drag owns it now
        connect(drag, &QDrag::actionChanged, this, [](Qt::DropAction action) {
            if (action != Qt::IgnoreAction)
                std::printf("accepted\n");
        });
        std::printf("dragging\n");
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
        std::printf("drop-action %d\n", int(action));
    }

private:
    QMimeData* m_data;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each line is read as it comes
    const QStringList args = QApplication::arguments();
    if (args.size() < 3 || (args[1] != u"text" && args[1] != u"files")) {
        std::fprintf(stderr, "usage: e2eprobe text TEXT | files PATH...\n");
        return 2;
    }
    auto* data = new QMimeData;
    if (args[1] == u"text") {
        data->setText(args[2]);
    } else {
        QList<QUrl> urls;
        for (const QString& path : args.mid(2))
            urls.append(QUrl::fromLocalFile(path));
        data->setUrls(urls);
    }
    DragSource source(data);
    source.move(0, 0);
    source.show();
    return QApplication::exec();
}
