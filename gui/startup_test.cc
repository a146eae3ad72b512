// Start-up and shut-down as the user meets them: what the window shows after
// it starts on a given program directory, and the exact bytes it leaves in
// yomika.ini and dic/kotokarc.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "core/wholefile.h"
#include "tests/support/scriptedprompter.h"
#include "gui/mainwindow.h"
#include "gui/sessionend.h"

using namespace yomika;
using namespace Qt::StringLiterals;
using testsupport::ScriptedPrompter;

namespace {

const char* const boxNames[] = {"Surface", "BaseForm", "Reading", "Pronounciation", "PartOfSpeech", "Inflection"};

// The six states as the file writes them, e.g. "100000".
QString stateDigits(const MainWindow& window)
{
    QString digits;
    for (const char* name : boxNames) {
        const Qt::CheckState state = window.findChild<QCheckBox*>(QLatin1String(name))->checkState();
        digits += state == Qt::Checked ? u'1' : state == Qt::PartiallyChecked ? u'2' : u'0';
    }
    return digits;
}

QStringList items(const QComboBox* box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

// Lines in the code page, each ended by CR LF.
QByteArray lines(std::initializer_list<const char*> list)
{
    QByteArray bytes;
    for (const char* line : list)
        bytes += QByteArray(line) + "\r\n";
    return bytes;
}

// The file numbers of the design choices: Surface ticked, the rest clear.
const QByteArray designStates = lines({" 1 ", " 0 ", " 0 ", " 0 ", " 0 ", " 0 "});

} // namespace

class StartUpTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
    ScriptedPrompter* m_prompter = nullptr;

    QString path(const QString& name) const { return m_dir->filePath(name); }

    void writeBytes(const QString& name, const QByteArray& bytes)
    {
        QDir(m_dir->path()).mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QByteArray readBytes(const QString& name) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray("<missing>");
        return file.readAll();
    }

    // A new window on the program directory, started and shown as main() does.
    void start()
    {
        auto prompter = std::make_unique<ScriptedPrompter>();
        m_prompter = prompter.get();
        m_window = std::make_unique<MainWindow>(m_dir->path(), std::move(prompter));
        m_window->startUp();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    QComboBox* combo(const char* name) const { return m_window->findChild<QComboBox*>(QLatin1String(name)); }
    QCheckBox* box(const char* name) const { return m_window->findChild<QCheckBox*>(QLatin1String(name)); }

    // Nothing shown, nothing left busy.
    void verifyQuiet()
    {
        QVERIFY(m_prompter->calls.isEmpty());
        QCOMPARE(m_prompter->unexpected, 0);
        QVERIFY(!QApplication::overrideCursor());
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        testing::failWritesAfter(-1);
        m_window.reset();
        m_dir.reset();
    }

    void startsFromTheSettingsFile_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("states");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QStringList>("history");
        QTest::addColumn<QString>("caption");

        const QString design = QStringLiteral("-F \"%m\\n\"");
        QTest::newRow("first run, no file")
            << false << QByteArray() << "100000" << "(タブ)" << design << QStringList() << "Yomika";
        QTest::newRow("empty file")
            << true << QByteArray() << "100000" << "(タブ)" << design << QStringList() << "Yomika";
        QTest::newRow("short file keeps what was read")
            << true << lines({" 0 ", " 1 ", " 1 "}) << "011000" << "(タブ)"
            << "-F \"%M\\t%y1\\n\"" << QStringList() << "Yomika";
        QTest::newRow("six number lines only")
            << true << lines({" 0 ", " 0 ", " 0 ", " 0 ", " 0 ", " 1 "}) << "000001" << "(タブ)"
            << "-F \"%T \\t%F \\n\"" << QStringList() << "Yomika";
        QTest::newRow("seven lines: delimiter, no append file")
            << true << lines({" 1 ", " 1 ", " 0 ", " 0 ", " 0 ", " 0 ", ","}) << "110000" << ","
            << "-F \"%m,%M\\n\"" << QStringList() << "Yomika";
        QTest::newRow("exactly eight lines")
            << true << lines({" 0 ", " 1 ", " 0 ", " 0 ", " 1 ", " 0 ", "(\x8b\xf3\x94\x92)", "C:\\out\\a.txt"})
            << "010010" << "(空白)" << "-F \"%M %U(%P-)\\n\"" << QStringList() << "Yomika - C:\\out\\a.txt";
        QTest::newRow("2 is greyed and adds its directive")
            << true << lines({" 1 ", " 0 ", " 2 ", " 0 ", " 0 ", " 0 ", ",", ""}) << "102000" << ","
            << "-F \"%m,%y1\\n\"" << QStringList() << "Yomika";
        QTest::newRow("3 is rejected, earlier lines stay")
            << true << lines({" 0 ", " 1 ", " 3 ", " 1 ", " 1 ", " 1 ", ",", "C:\\a.txt", "X"}) << "010000"
            << "(タブ)" << "-F \"%M\\n\"" << QStringList() << "Yomika";
        QTest::newRow("letters on a number line are rejected")
            << true << lines({" 0 ", " 0 ", " 1 ", "yes", " 1 ", " 1 ", ",", "C:\\a.txt", "X"}) << "001000"
            << "(タブ)" << "-F \"%y1\\n\"" << QStringList() << "Yomika";
        QTest::newRow("history with a duplicate loads both")
            << true
            << designStates + lines({"(\x8b\xf3\x94\x92)", "", "-F \"%y1\\n\" -b 65536", "-F \"%m\\n\"",
                                     "-F \"%y1\\n\" -b 65536"})
            << "100000" << "(空白)" << "-F \"%y1\\n\" -b 65536"
            << QStringList{u"-F \"%y1\\n\" -b 65536"_s, u"-F \"%m\\n\""_s, u"-F \"%y1\\n\" -b 65536"_s} << "Yomika";
        QTest::newRow("typed delimiter")
            << true << lines({" 1 ", " 1 ", " 0 ", " 0 ", " 0 ", " 0 ", "\x81\x5e", ""}) << "110000" << "／"
            << "-F \"%m／%M\\n\"" << QStringList() << "Yomika";
        QTest::newRow("restored append file in the caption")
            << true << designStates + lines({"(\x83\x5e\x83\x75)", "C:\\\x8f\x6f\x97\xcd\\a.txt", "-F \"%m\\n\""})
            << "100000" << "(タブ)" << design << QStringList{design} << "Yomika - C:\\出力\\a.txt";
        QTest::newRow("line feeds alone")
            << true << QByteArray(" 0 \n 0 \n 0 \n 1 \n 0 \n 0 \n,\n/home/u/a.txt\n-F \"%a1\\n\"\n")
            << "000100" << "," << "-F \"%a1\\n\"" << QStringList{u"-F \"%a1\\n\""_s} << "Yomika - /home/u/a.txt";
    }
    void startsFromTheSettingsFile()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, file);
        QFETCH(QString, states);
        QFETCH(QString, delimiter);
        QFETCH(QString, option);
        QFETCH(QStringList, history);
        QFETCH(QString, caption);
        if (exists)
            writeBytes(QStringLiteral("yomika.ini"), file);
        start();
        QCOMPARE(stateDigits(*m_window), states);
        QCOMPARE(combo("Delimiter")->currentText(), delimiter);
        QCOMPARE(combo("OptionList")->currentText(), option);
        QCOMPARE(items(combo("OptionList")), history);
        QCOMPARE(m_window->windowTitle(), caption);
        QCOMPARE(m_window->appendFileName(), caption.mid(int(qstrlen("Yomika - "))));
        verifyQuiet();
        // Start-up only reads the settings file.
        QCOMPARE(readBytes(QStringLiteral("yomika.ini")), exists ? file : QByteArray("<missing>"));
    }

    void survivesAnySettingsFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("historyCount");
        QTest::newRow("binary garbage") << QByteArray::fromHex("00ff7f80fe0d0a0d81fd9f8a0a0aff00") << 0;
        QTest::newRow("invalid code-page bytes everywhere")
            << designStates + QByteArray("\x81\r\n\xfd\xfe\r\n\x81\x0a\x9f\r\n") << 2;
        QTest::newRow("enormous delimiter line")
            << designStates + QByteArray(4 * 1024 * 1024, 'x') + "\r\n\r\n" << 0;
        QByteArray longHistory = designStates + "(\x83\x5e\x83\x75)\r\n\r\n";
        for (int i = 0; i < 100000; ++i)
            longHistory += "-F \"%m" + QByteArray::number(i) + "\\n\"\r\n";
        QTest::newRow("a hundred thousand history lines") << longHistory << 100000;
    }
    void survivesAnySettingsFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, historyCount);
        writeBytes(QStringLiteral("yomika.ini"), file);
        start();
        QCOMPARE(combo("OptionList")->count(), historyCount);
        verifyQuiet();
        m_window->close();
        QVERIFY(!m_window->isVisible());
        verifyQuiet();
    }

    void fillsThePlaceholder_data()
    {
        // "{dic}" stands for the dictionary folder of the program directory.
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("afterFirst");
        QTest::addColumn<QByteArray>("afterSecond");
        QTest::newRow("at the start") << true << QByteArray("%KOTDIC%\r\ncost 1\r\n")
                                      << QByteArray("{dic}\r\ncost 1\r\n") << QByteArray("{dic}\r\ncost 1\r\n");
        QTest::newRow("at the end") << true << QByteArray("; kotoka\r\ndicdir = %KOTDIC%")
                                    << QByteArray("; kotoka\r\ndicdir = {dic}")
                                    << QByteArray("; kotoka\r\ndicdir = {dic}");
        QTest::newRow("alone") << true << QByteArray("%KOTDIC%") << QByteArray("{dic}") << QByteArray("{dic}");
        QTest::newRow("twice: one per start")
            << true << QByteArray("a=%KOTDIC%\r\nb=%KOTDIC%\r\n") << QByteArray("a={dic}\r\nb=%KOTDIC%\r\n")
            << QByteArray("a={dic}\r\nb={dic}\r\n");
        QTest::newRow("Japanese around it")
            << true << QByteArray("\x8e\xab\x8f\x91=%KOTDIC%\n\x83\x41")
            << QByteArray("\x8e\xab\x8f\x91={dic}\n\x83\x41") << QByteArray("\x8e\xab\x8f\x91={dic}\n\x83\x41");
        QTest::newRow("case matters") << true << QByteArray("dicdir = %kotdic%\r\n")
                                      << QByteArray("dicdir = %kotdic%\r\n") << QByteArray("dicdir = %kotdic%\r\n");
        QTest::newRow("empty file") << true << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("missing file is not created")
            << false << QByteArray() << QByteArray("<missing>") << QByteArray("<missing>");
    }
    void fillsThePlaceholder()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, afterFirst);
        QFETCH(QByteArray, afterSecond);
        const QString resource = QStringLiteral("dic/kotokarc");
        QDir(m_dir->path()).mkpath(QStringLiteral("dic"));
        if (exists)
            writeBytes(resource, before);
        const QByteArray dic = QDir::toNativeSeparators(path(QStringLiteral("dic"))).toUtf8();
        QVERIFY(!dic.endsWith('/'));
        start();
        QCOMPARE(readBytes(resource), QByteArray(afterFirst).replace("{dic}", dic));
        verifyQuiet();
        m_window.reset();
        start();
        QCOMPARE(readBytes(resource), QByteArray(afterSecond).replace("{dic}", dic));
        verifyQuiet();
    }

    void failedResourceWriteSkipsTheSettings()
    {
        // The analyzer's configuration stays whole, and the window starts
        // with its design values although a settings file is there.
        const QByteArray resource("dicdir = %KOTDIC%\r\n");
        writeBytes(QStringLiteral("dic/kotokarc"), resource);
        writeBytes(QStringLiteral("yomika.ini"), lines({" 0 ", " 1 ", " 0 ", " 0 ", " 0 ", " 0 ", ",", "C:\\a.txt", "X"}));
        testing::failWritesAfter(4);
        start();
        testing::failWritesAfter(-1);
        QCOMPARE(readBytes(QStringLiteral("dic/kotokarc")), resource);
        QCOMPARE(stateDigits(*m_window), QStringLiteral("100000"));
        QCOMPARE(combo("Delimiter")->currentText(), QStringLiteral("(タブ)"));
        QCOMPARE(combo("OptionList")->currentText(), QStringLiteral("-F \"%m\\n\""));
        QCOMPARE(combo("OptionList")->count(), 0);
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Yomika"));
        QCOMPARE(QDir(path(QStringLiteral("dic"))).entryList(QDir::Files | QDir::Hidden), QStringList{u"kotokarc"_s});
        verifyQuiet();
    }

    void closingWritesTheSameFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("終了") << "exit";
        QTest::newRow("close box") << "close box";
    }
    void closingWritesTheSameFile()
    {
        QFETCH(QString, how);
        start();
        QTest::mouseClick(box("BaseForm"), Qt::LeftButton);
        QTest::mouseClick(box("Reading"), Qt::LeftButton);
        QTest::mouseClick(box("Reading"), Qt::LeftButton);
        combo("Delimiter")->setCurrentIndex(1); // (空白)
        QCOMPARE(combo("OptionList")->currentText(), QStringLiteral("-F \"%m %M\\n\""));
        if (how == u"exit")
            m_window->findChild<QAction*>(QStringLiteral("終了"))->trigger();
        else
            m_window->windowHandle()->close();
        QVERIFY(!m_window->isVisible());
        QCOMPARE(readBytes(QStringLiteral("yomika.ini")),
                 lines({" 1 ", " 1 ", " 0 ", " 0 ", " 0 ", " 0 ", "(\x8b\xf3\x94\x92)", "", "-F \"%m %M\\n\""}));
        verifyQuiet();
    }

    void closingRecordsTheOptionString_data()
    {
        QTest::addColumn<QByteArray>("history");   // history lines of the file before the start
        QTest::addColumn<QString>("typed");        // what the user leaves in OptionList; "-" leaves it alone
        QTest::addColumn<QByteArray>("written");   // history lines written at the close
        const QByteArray a("-F \"%m\\n\"\r\n"), b("-F \"%y1\\n\"\r\n"), c("-F \"%M\\n\" -b 65536\r\n");
        QTest::newRow("unchanged: the same bytes") << a + b + c << "-" << a + b + c;
        QTest::newRow("duplicates merged on record") << a + b + a + c + a << "-" << a + b + c;
        QTest::newRow("a later duplicate moves to the top") << a + b + c << "-F \"%M\\n\" -b 65536" << c + a + b;
        QTest::newRow("a new string goes first") << a + b << "-F \"%a1\\n\"" << "-F \"%a1\\n\"\r\n" + a + b;
        QTest::newRow("empty option box: no new entry") << a + b << "" << a + b;
        QTest::newRow("no history, empty option box") << QByteArray() << "" << QByteArray();
    }
    void closingRecordsTheOptionString()
    {
        QFETCH(QByteArray, history);
        QFETCH(QString, typed);
        QFETCH(QByteArray, written);
        const QByteArray head = lines({" 2 ", " 0 ", " 1 ", " 0 ", " 0 ", " 1 ", "\x81\x5e", "C:\\\x8f\x6f\x97\xcd\\a.txt"});
        writeBytes(QStringLiteral("yomika.ini"), head + history);
        start();
        if (typed != u"-") {
            combo("OptionList")->lineEdit()->selectAll();
            if (typed.isEmpty())
                QTest::keyClick(combo("OptionList")->lineEdit(), Qt::Key_Delete);
            else
                QTest::keyClicks(combo("OptionList")->lineEdit(), typed);
            QCOMPARE(combo("OptionList")->currentText(), typed);
        }
        m_window->close();
        QCOMPARE(readBytes(QStringLiteral("yomika.ini")), head + written);
        verifyQuiet();
        // The next start shows the most recent entry as the option string.
        m_window.reset();
        start();
        if (!written.isEmpty())
            QCOMPARE(combo("OptionList")->currentText().toUtf8() + "\r\n", written.left(written.indexOf("\r\n") + 2));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Yomika - C:\\出力\\a.txt"));
    }

    void lineBreaksNeverBreakALine()
    {
        start();
        // Pasted text with line breaks reaches the delimiter as blanks; a
        // history entry holding a break is written with a blank.
        combo("OptionList")->addItem(QStringLiteral("-F \"%m\\n\"\n-b 1"));
        QTest::mouseClick(box("BaseForm"), Qt::LeftButton);
        QApplication::clipboard()->setText(QStringLiteral("a\r\nb"));
        QLineEdit* edit = combo("Delimiter")->lineEdit();
        edit->selectAll();
        edit->paste();
        QCOMPARE(combo("Delimiter")->currentText(), QStringLiteral("a  b"));
        QCOMPARE(combo("OptionList")->currentText(), QStringLiteral("-F \"%ma  b%M\\n\""));
        m_window->close();
        QCOMPARE(readBytes(QStringLiteral("yomika.ini")),
                 lines({" 1 ", " 1 ", " 0 ", " 0 ", " 0 ", " 0 ", "a  b", "", "-F \"%ma  b%M\\n\"", "-F \"%m\\n\" -b 1"}));
        m_window.reset();
        start();
        QCOMPARE(combo("Delimiter")->currentText(), QStringLiteral("a  b"));
        QCOMPARE(items(combo("OptionList")), (QStringList{u"-F \"%ma  b%M\\n\""_s, u"-F \"%m\\n\" -b 1"_s}));
    }

    void failedWriteKeepsThePreviousFile_data()
    {
        QTest::addColumn<int>("failAfter"); // -1: no failure; -2: all but the last byte
        QTest::newRow("written whole") << -1;
        QTest::newRow("nothing written") << 0;
        QTest::newRow("some lines written") << 12;
        QTest::newRow("all but the last byte") << -2;
    }
    void failedWriteKeepsThePreviousFile()
    {
        QFETCH(int, failAfter);
        const QByteArray old = designStates + lines({"(\x83\x5e\x83\x75)", "C:\\a.txt", "-F \"%m\\n\"", "-F \"%y1\\n\""});
        const QByteArray written = lines({" 1 ", " 0 ", " 1 ", " 0 ", " 0 ", " 0 ", "(\x83\x5e\x83\x75)", "C:\\a.txt",
                                          "-F \"%m\\t%y1\\n\"", "-F \"%m\\n\"", "-F \"%y1\\n\""});
        writeBytes(QStringLiteral("yomika.ini"), old);
        start();
        QTest::mouseClick(box("Reading"), Qt::LeftButton);
        testing::failWritesAfter(failAfter == -2 ? written.size() - 1 : failAfter);
        m_window->close();
        testing::failWritesAfter(-1);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(readBytes(QStringLiteral("yomika.ini")), failAfter == -1 ? written : old);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("yomika.ini")});
        verifyQuiet();
    }

    void settingsPathIsAFolder()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("yomika.ini")));
        start();
        QCOMPARE(stateDigits(*m_window), QStringLiteral("100000"));
        m_window->close();
        QVERIFY(!m_window->isVisible());
        QVERIFY(QFileInfo(path(QStringLiteral("yomika.ini"))).isDir());
        verifyQuiet();
    }

    void sessionManagerRequestWritesWithoutClosing()
    {
        start();
        auto* sessionEnd = new SessionEnd(m_window.get());
        QTest::mouseClick(box("Inflection"), Qt::LeftButton);
        sessionEnd->commitData();
        QVERIFY(m_window->isVisible());
        const QByteArray expected =
            lines({" 1 ", " 0 ", " 0 ", " 0 ", " 0 ", " 1 ", "(\x83\x5e\x83\x75)", "", "-F \"%m\\t%T \\t%F \\n\""});
        QCOMPARE(readBytes(QStringLiteral("yomika.ini")), expected);
        // A session end called off loses nothing: a later close writes what changed since.
        QTest::mouseClick(box("Inflection"), Qt::LeftButton);
        m_window->close();
        QCOMPARE(readBytes(QStringLiteral("yomika.ini")),
                 designStates + lines({"(\x83\x5e\x83\x75)", "", "-F \"%m\\n\"", "-F \"%m\\t%T \\t%F \\n\""}));
        verifyQuiet();
    }

    // Last: it runs the application's event loop to its end.
    void quittingClosesTheWindow()
    {
        start();
        new SessionEnd(m_window.get());
        QTest::mouseClick(box("Pronounciation"), Qt::LeftButton);
        // exit() ends the event loop without closing any window, as the
        // session manager's order to die does.
        QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(readBytes(QStringLiteral("yomika.ini")),
                 lines({" 1 ", " 0 ", " 0 ", " 1 ", " 0 ", " 0 ", "(\x83\x5e\x83\x75)", "", "-F \"%m\\t%a1\\n\""}));
        verifyQuiet();
    }
};

QTEST_MAIN(StartUpTest)
#include "startup_test.moc"
