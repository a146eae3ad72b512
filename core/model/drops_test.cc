// Making sense of dropped data.

#include <QMimeData>
#include <QTest>

#include "core/model/drops.h"

using namespace yomika;

class DropsTest : public QObject {
    Q_OBJECT

private slots:
    // Text comes first, unless it only names files the drop also lists, as
    // file managers offer them (the window's tests drop those): text naming
    // another file stays text; web links and comments are no files.
    void dropOfTextBesideFiles()
    {
        QMimeData data;
        data.setData("text/uri-list", "# comment\r\nhttps://example.org/\r\nfile:///tmp/a%20b.txt\r\n");
        data.setData("text/plain", "/tmp/a b.txt\n/tmp/x");
        QCOMPARE(interpretDrop(data).text, "/tmp/a b.txt\n/tmp/x");
        data.setData("text/plain", "file:///tmp/a b.txt\n");
        QCOMPARE(interpretDrop(data).paths, QStringList{"/tmp/a b.txt"});
    }
};

QTEST_GUILESS_MAIN(DropsTest)
#include "drops_test.moc"
