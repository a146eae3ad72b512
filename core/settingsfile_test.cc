// The settings file as text and as bytes, without a window.

#include <QTest>

#include "core/codepage.h"
#include "core/settingsfile.h"

using namespace yomika;
using namespace Qt::StringLiterals;

namespace {

// A read as one comparable line: "states=1,0 delimiter=... append=... history=a|b complete".
QString describe(const SettingsRead& read)
{
    QStringList states;
    for (Qt::CheckState s : read.states)
        states << QString::number(stateNumber(s));
    QString text = QStringLiteral("states=") + states.join(u',');
    text += QStringLiteral(" delimiter=") + (read.delimiter ? u'[' + *read.delimiter + u']' : QStringLiteral("none"));
    text += QStringLiteral(" append=") + (read.appendFileName ? u'[' + *read.appendFileName + u']' : QStringLiteral("none"));
    text += QStringLiteral(" history=") + read.history.join(u'|');
    text += read.complete ? QStringLiteral(" complete") : QStringLiteral(" incomplete");
    return text;
}

Settings sample()
{
    Settings s;
    s.states = {Qt::Checked, Qt::Unchecked, Qt::Checked, Qt::Unchecked, Qt::PartiallyChecked, Qt::Unchecked};
    s.delimiter = QStringLiteral("(タブ)");
    s.appendFileName = QStringLiteral("C:\\出力\\a.txt");
    s.history = {QStringLiteral("-F \"%m\\t%y1\\n\""), QStringLiteral("-F \"%m\\n\"")};
    return s;
}

} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT

private slots:
    void numberLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("state"); // the file's number, or -1 for the error path
        QTest::newRow("clear as written") << " 0 " << 0;
        QTest::newRow("ticked as written") << " 1 " << 1;
        QTest::newRow("greyed as written") << " 2 " << 2;
        QTest::newRow("no blanks") << "1" << 1;
        QTest::newRow("tabs and many blanks") << "\t  2 \t" << 2;
        QTest::newRow("leading zeros") << " 001 " << 1;
        QTest::newRow("zeros only") << "000" << 0;
        QTest::newRow("three is no state") << " 3 " << -1;
        QTest::newRow("ten is no state") << " 10 " << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("blanks only") << "   " << -1;
        QTest::newRow("letters only") << " abc " << -1;
        QTest::newRow("digit and letter") << " 1a " << -1;
        QTest::newRow("two numbers") << " 1 1 " << -1;
        QTest::newRow("minus") << "-1" << -1;
        QTest::newRow("plus") << "+1" << -1;
        QTest::newRow("decimal point") << "1.0" << -1;
        QTest::newRow("full-width digit") << "１" << -1;
        QTest::newRow("huge number") << "99999999999999999999999999" << -1;
        QTest::newRow("ideographic blank") << "\u30001" << -1;
    }
    void numberLines()
    {
        QFETCH(QString, line);
        QFETCH(int, state);
        const std::optional<Qt::CheckState> read = parseStateLine(line);
        QCOMPARE(read.has_value(), state >= 0);
        if (read)
            QCOMPARE(stateNumber(*read), state);
    }

    void numberOfEachState()
    {
        // The file's numbering is not Qt's: 1 is ticked and 2 greyed.
        QCOMPARE(stateNumber(Qt::Unchecked), 0);
        QCOMPARE(stateNumber(Qt::Checked), 1);
        QCOMPARE(stateNumber(Qt::PartiallyChecked), 2);
    }

    void reading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString six = QStringLiteral(" 1 \r\n 0 \r\n 1 \r\n 0 \r\n 2 \r\n 0 \r\n");
        QTest::newRow("empty file") << "" << "states= delimiter=none append=none history= incomplete";
        QTest::newRow("two number lines")
            << " 0 \r\n 1 \r\n" << "states=0,1 delimiter=none append=none history= incomplete";
        QTest::newRow("second line unended")
            << " 0 \r\n 1" << "states=0,1 delimiter=none append=none history= incomplete";
        QTest::newRow("six number lines")
            << six << "states=1,0,1,0,2,0 delimiter=none append=none history= incomplete";
        QTest::newRow("seven lines")
            << six + u"(空白)\r\n"_s
            << "states=1,0,1,0,2,0 delimiter=[(空白)] append=none history= incomplete";
        QTest::newRow("exactly eight lines")
            << six + u"(空白)\r\nC:\\a.txt\r\n"_s
            << "states=1,0,1,0,2,0 delimiter=[(空白)] append=[C:\\a.txt] history= complete";
        QTest::newRow("eight lines, no append file")
            << six + u"(タブ)\r\n\r\n"_s
            << "states=1,0,1,0,2,0 delimiter=[(タブ)] append=[] history= complete";
        QTest::newRow("eight lines, last unended")
            << six + u"(タブ)\r\nC:\\a.txt"_s
            << "states=1,0,1,0,2,0 delimiter=[(タブ)] append=[C:\\a.txt] history= complete";
        QTest::newRow("history with a duplicate kept")
            << six + u",\r\n\r\n-F \"%m\\n\"\r\n-F \"%M\\n\"\r\n-F \"%m\\n\"\r\n"_s
            << "states=1,0,1,0,2,0 delimiter=[,] append=[] history=-F \"%m\\n\"|-F \"%M\\n\"|-F \"%m\\n\" complete";
        QTest::newRow("empty history lines kept")
            << six + u",\r\n\r\nA\r\n\r\nB\r\n\r\n"_s
            << "states=1,0,1,0,2,0 delimiter=[,] append=[] history=A||B| complete";
        QTest::newRow("three on line 3")
            << " 1 \r\n 1 \r\n 3 \r\n 1 \r\n 1 \r\n 1 \r\n(空白)\r\n\r\n"
            << "states=1,1 delimiter=none append=none history= incomplete";
        QTest::newRow("letters on line 6")
            << " 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\nx\r\n(空白)\r\n\r\n"
            << "states=1,1,1,1,1 delimiter=none append=none history= incomplete";
        QTest::newRow("empty number line")
            << " 1 \r\n\r\n 1 \r\n" << "states=1 delimiter=none append=none history= incomplete";
        QTest::newRow("line feeds only")
            << " 0 \n 0 \n 0 \n 0 \n 0 \n 1 \n,\n/tmp/a\nX\n"
            << "states=0,0,0,0,0,1 delimiter=[,] append=[/tmp/a] history=X complete";
        QTest::newRow("carriage returns only")
            << " 0 \r 0 \r 0 \r 0 \r 0 \r 1 \r,\r/tmp/a\rX\r"
            << "states=0,0,0,0,0,1 delimiter=[,] append=[/tmp/a] history=X complete";
        QTest::newRow("mixed line ends")
            << " 0 \r\n 0 \n 0 \r 0 \r\n 0 \n 1 \r,\r\n/tmp/a\nX\rY"
            << "states=0,0,0,0,0,1 delimiter=[,] append=[/tmp/a] history=X|Y complete";
        QTest::newRow("LF CR is two line ends")
            << " 0 \n\r 0 \r\n" << "states=0 delimiter=none append=none history= incomplete";
        QTest::newRow("blanks in text lines kept")
            << six + u"  a b  \r\n C:\\my files\\a.txt \r\n -F \"%m\\n\" \r\n"_s
            << "states=1,0,1,0,2,0 delimiter=[  a b  ] append=[ C:\\my files\\a.txt ] history= -F \"%m\\n\"  complete";
    }
    void reading()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(describe(parseSettingsText(text)), expected);
    }

    void writingIsByteExact()
    {
        // Blank, digit, blank on the number lines; CR LF after every line,
        // the last included; the code page's bytes for the Japanese text.
        const QByteArray expected = QByteArray(" 1 \r\n 0 \r\n 1 \r\n 0 \r\n 2 \r\n 0 \r\n")
                                    + "(\x83\x5e\x83\x75)\r\n"
                                    + "C:\\\x8f\x6f\x97\xcd\\a.txt\r\n"
                                    + "-F \"%m\\t%y1\\n\"\r\n"
                                    + "-F \"%m\\n\"\r\n";
        QCOMPARE(codepage::encode(settingsText(sample())), expected);
        QCOMPARE(describe(parseSettingsFile(expected)), describe(parseSettingsText(settingsText(sample()))));
    }

    void writingEmptyValues()
    {
        Settings empty;
        QCOMPARE(settingsText(empty),
                 QStringLiteral(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n\r\n\r\n"));
        const SettingsRead read = parseSettingsText(settingsText(empty));
        QVERIFY(read.complete);
        QCOMPARE(*read.delimiter, QString());
        QCOMPARE(*read.appendFileName, QString());
        QVERIFY(read.history.isEmpty());
    }

    void lineBreaksInValuesBecomeBlanks_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("CR LF") << "a\r\nb" << "a  b";
        QTest::newRow("LF") << "a\nb" << "a b";
        QTest::newRow("CR") << "a\rb" << "a b";
        QTest::newRow("break at the end") << "name\n" << "name ";
        QTest::newRow("break only") << "\n" << " ";
    }
    void lineBreaksInValuesBecomeBlanks()
    {
        // Whichever value holds the break, every other value still reads back
        // from its own line.
        QFETCH(QString, value);
        QFETCH(QString, written);
        for (int field = 0; field < 3; ++field) {
            Settings s = sample();
            (field == 0 ? s.delimiter : field == 1 ? s.appendFileName : s.history.first()) = value;
            const SettingsRead read = parseSettingsText(settingsText(s));
            QVERIFY(read.complete);
            QCOMPARE(read.states.size(), std::size_t(6));
            QCOMPARE(*read.delimiter, field == 0 ? written : sample().delimiter);
            QCOMPARE(*read.appendFileName, field == 1 ? written : sample().appendFileName);
            QCOMPARE(read.history.size(), 2);
            QCOMPARE(read.history.first(), field == 2 ? written : sample().history.first());
            QCOMPARE(read.history.last(), sample().history.last());
        }
    }

    void roundTripThroughTheCodePage()
    {
        const Settings s = sample();
        const SettingsRead read = parseSettingsFile(codepage::encode(settingsText(s)));
        QVERIFY(read.complete);
        for (int i = 0; i < settingsStateCount; ++i)
            QCOMPARE(read.states[i], s.states[i]);
        QCOMPARE(*read.delimiter, s.delimiter);
        QCOMPARE(*read.appendFileName, s.appendFileName);
        QCOMPARE(read.history, s.history);
    }

    void anyBytesAtAll_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("states");
        QTest::newRow("NUL bytes") << QByteArray(64, '\0') << false << 0;
        QTest::newRow("binary garbage")
            << QByteArray::fromHex("00ff7f80fe0d0a0d81fd9f8a0a0aff") << false << 0;
        QTest::newRow("lone lead byte in the delimiter")
            << QByteArray(" 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n\x81\r\n\x82\r\n\x83") << true << 6;
        QTest::newRow("bad trail bytes")
            << QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n\x81\x0a\x81\x0d\x0a\xa0\r\n") << true << 6;
        QTest::newRow("lead byte swallowing a line end")
            << QByteArray(" 2 \r\n\x81\r\n 2 \r\n") << false << 1;
    }
    void anyBytesAtAll()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, complete);
        QFETCH(int, states);
        const SettingsRead read = parseSettingsFile(bytes);
        QCOMPARE(read.complete, complete);
        QCOMPARE(int(read.states.size()), states);
        // Whatever was read writes back as a file that reads the same way.
        if (read.complete) {
            Settings s;
            std::copy(read.states.begin(), read.states.end(), s.states.begin());
            s.delimiter = *read.delimiter;
            s.appendFileName = *read.appendFileName;
            s.history = read.history;
            const SettingsRead again = parseSettingsText(settingsText(s));
            QCOMPARE(describe(again), describe(read));
        }
    }

    void enormousLineAndLongHistory()
    {
        const QString huge(8 * 1024 * 1024, u'ア');
        QString text = QStringLiteral(" 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n") + huge
                       + QStringLiteral("\r\n\r\n");
        for (int i = 0; i < 100000; ++i)
            text += QStringLiteral("-F \"%m%1\\n\"\r\n").arg(i);
        const SettingsRead read = parseSettingsText(text);
        QVERIFY(read.complete);
        QCOMPARE(read.delimiter->size(), huge.size());
        QCOMPARE(read.history.size(), 100000);
        QCOMPARE(read.history.first(), QStringLiteral("-F \"%m0\\n\""));
        QCOMPARE(read.history.last(), QStringLiteral("-F \"%m99999\\n\""));
    }
};

QTEST_APPLESS_MAIN(SettingsFileTest)
#include "settingsfile_test.moc"
