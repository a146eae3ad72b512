// The settings file as text: what a file of any shape yields, and the text
// written for a set of choices.

#include <QTest>

#include "core/model/settingsfile.h"

using namespace yomika;

namespace {

// A read as one comparable line: "1,0|[delimiter]|[append]|a;b|complete".
QString describe(const SettingsRead& read)
{
    QStringList states;
    for (Qt::CheckState s : read.states)
        states << QString::number(int(s));
    auto optional = [](const std::optional<QString>& v) { return v ? u'[' + *v + u']' : QStringLiteral("-"); };
    return states.join(u',') + u'|' + optional(read.delimiter) + u'|' + optional(read.appendFileName) +
           u'|' + read.history.join(u';') + (read.complete ? QStringLiteral("|complete") : QString());
}

} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read"); // Qt::CheckState numbers: greyed is 1, ticked 2
        const QString six = QStringLiteral(" 1 \r\n 0 \r\n 2 \r\n 0 \r\n 0 \r\n 0 \r\n");
        QTest::newRow("as written") << six + "(タブ)\r\nC:\\a.txt\r\n-F \"%m\"\r\n-F \"%M\"\r\n"
                                    << "2,0,1,0,0,0|[(タブ)]|[C:\\a.txt]|-F \"%m\";-F \"%M\"|complete";
        QTest::newRow("no history") << six + "x\r\n\r\n" << "2,0,1,0,0,0|[x]|[]||complete";
        QTest::newRow("LF, CR and no last end") << QString(six).replace("\r\n", "\n") + "a\rb"
                                                << "2,0,1,0,0,0|[a]|[b]||complete";
        QTest::newRow("ends after the delimiter") << six + "x" << "2,0,1,0,0,0|[x]|-|";
        QTest::newRow("blanks, tabs and zeros") << "\t001  \r\n0\r\n" << "2,0|-|-|";
        QTest::newRow("bad number stops") << " 1 \r\n 3 \r\n 1 \r\n" << "2|-|-|";
        QTest::newRow("two numbers stop") << " 1 1 \r\n" << "|-|-|";
        QTest::newRow("a letter stops") << " 1a \r\n" << "|-|-|";
        QTest::newRow("empty line stops") << "\r\n" << "|-|-|";
        QTest::newRow("empty file") << "" << "|-|-|";
        QTest::newRow("a million leading zeros") << QString(1000000, u'0') + u'1' << "2|-|-|";
    }
    void read()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        QCOMPARE(describe(parseSettingsText(text)), read);
    }

    // Every value on its own line, whatever it holds, and read back the same.
    void writtenAndReadBack()
    {
        Settings s;
        s.states = {Qt::Checked, Qt::Unchecked, Qt::PartiallyChecked, Qt::Unchecked, Qt::Unchecked, Qt::Checked};
        s.delimiter = QStringLiteral("a\r\nb");
        s.appendFileName = QStringLiteral("/出力/a.txt");
        s.history = {QStringLiteral("-F \"%m\\n\""), QStringLiteral("x\ny")};
        const QString text = settingsText(s);
        QCOMPARE(text, QStringLiteral(" 1 \r\n 0 \r\n 2 \r\n 0 \r\n 0 \r\n 1 \r\na  b\r\n/出力/a.txt\r\n"
                                      "-F \"%m\\n\"\r\nx y\r\n"));
        QCOMPARE(describe(parseSettingsText(text)),
                 QStringLiteral("2,0,1,0,0,2|[a  b]|[/出力/a.txt]|-F \"%m\\n\";x y|complete"));
    }
};

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "settingsfile_test.moc"
