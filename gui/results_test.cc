// Saving and appending results through the window: the dialogs, the exact
// bytes of the files, the caption, what empties the result pane, and that a
// failed save or append leaves an earlier file as it was.

#include "core/errornumber.h"
#include "core/wholefile.h"
#include "gui/windowtestbench.h"

using namespace yomika;
using namespace yomika::testbench;

namespace {

const QString saveTitle = QStringLiteral("解析結果を名前を付けて保存");
const QString appendTitle = QStringLiteral("追加ファイルの指定");

QString saveFailed(int error)
{
    return QStringLiteral("保存中にエラーが発生しました ") + QString::number(error);
}

} // namespace

class ResultsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ProgramDir> m_dir;
    std::unique_ptr<Bench> m_bench;

    MainWindow* window() const { return m_bench->window.get(); }
    ScriptedPrompter* prompter() const { return m_bench->prompter; }
    QString caption() const { return window()->windowTitle(); }

    void chooseAppendFile(const QString& path)
    {
        prompter()->files.append(path);
        window()->chooseAppendFile();
        prompter()->calls.clear();
    }

    // Analyzes `text` with the fake analyzer and returns what Result shows.
    QString analyze(const QString& text)
    {
        m_bench->sentence()->setText(text);
        window()->analyzeAll();
        return m_bench->result()->text();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<ProgramDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(m_dir->installFakeAnalyzer());
        m_bench = std::make_unique<Bench>(m_dir->path());
        window()->updateCaption();
    }
    void cleanup()
    {
        testing::failWritesAfter(-1);
        QCOMPARE(prompter()->unexpected, 0);
        m_bench.reset();
        m_dir.reset();
        QVERIFY(pointerIsDefault());
    }

    void saveWritesTheResultExactly_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QByteArray>("existing"); // null: no file yet
        QTest::newRow("empty result makes an empty file") << "" << QByteArray();
        QTest::newRow("no final line end") << QStringLiteral("東京\t名詞\r\n行き") << QByteArray();
        QTest::newRow("final line end") << QStringLiteral("a\r\nb\r\n") << QByteArray();
        QTest::newRow("replaces a longer file") << QStringLiteral("短い")
                                                << QByteArray(5000, 'z');
        QTest::newRow("empty result empties a file") << "" << QByteArray("old");
    }
    void saveWritesTheResultExactly()
    {
        QFETCH(QString, result);
        QFETCH(QByteArray, existing);
        const QString path = m_dir->file(QStringLiteral("結果.txt"));
        if (!existing.isNull())
            QVERIFY(ProgramDir::writeBytes(path, existing));
        m_bench->setPanes(QStringLiteral("文"), result);
        prompter()->files = {path};
        m_bench->action(QStringLiteral("保存"))->trigger();
        QCOMPARE(prompter()->calls.size(), 1);
        QCOMPARE(prompter()->calls[0].kind, Kind::Save);
        QCOMPARE(prompter()->calls[0].text, saveTitle);
        QCOMPARE(prompter()->calls[0].initialName, QString());
        QCOMPARE(ProgramDir::bytesAt(path), codepage::encode(result));
        QCOMPARE(m_bench->panes(), (PanePair{QStringLiteral("文"), QString()}));
        QCOMPARE(window()->appendFileName(), path);
        QCOMPARE(caption(), QStringLiteral("Yomika - ") + path);
        QCOMPARE(window()->undoRing().index(), 0);
    }

    void saveProposesTheAppendFileAndReplacesIt()
    {
        const QString path = m_dir->file(QStringLiteral("collect.txt"));
        QVERIFY(ProgramDir::writeBytes(path, "collected results\r\n"));
        chooseAppendFile(path);
        m_bench->result()->setText(QStringLiteral("今回"));
        prompter()->files = {path};
        window()->saveResult();
        QCOMPARE(prompter()->calls.size(), 1); // no question about the existing file
        QCOMPARE(prompter()->calls[0].initialName, path);
        QCOMPARE(ProgramDir::bytesAt(path), codepage::encode(QStringLiteral("今回")));
    }

    void saveThatDoesNotHappen_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<int>("error"); // 0: no message
        QTest::newRow("dialog cancelled") << "cancel" << 0;
        QTest::newRow("folder missing") << "no folder" << int(FolderNotFound);
        QTest::newRow("disk full over an existing file") << "disk full" << int(DiskFull);
        QTest::newRow("a folder in the file's place") << "folder" << int(IsDirectory);
    }
    void saveThatDoesNotHappen()
    {
        QFETCH(QString, cause);
        QFETCH(int, error);
        const QString previous = m_dir->file(QStringLiteral("previous.txt"));
        chooseAppendFile(previous);
        QString target = m_dir->file(QStringLiteral("target.txt"));
        const QByteArray old("old contents\r\n古い");
        QVERIFY(ProgramDir::writeBytes(target, old));
        if (cause == u"cancel")
            target.clear();
        else if (cause == u"no folder")
            target = m_dir->file(QStringLiteral("missing\\target.txt"));
        else if (cause == u"disk full")
            testing::failWritesAfter(6);
        else if (cause == u"folder") {
            target = m_dir->file(QStringLiteral("a folder"));
            QVERIFY(QDir().mkdir(target));
        }
        const QString result = QStringLiteral("新しい結果\r\n") + QString(3000, u'r');
        m_bench->setPanes(QStringLiteral("文"), result);
        prompter()->files = {target};
        window()->saveResult();
        testing::failWritesAfter(-1);

        QCOMPARE(prompter()->texts(Kind::Inform),
                 error ? QStringList{saveFailed(error)} : QStringList());
        QCOMPARE(m_bench->result()->text(), QString()); // emptied in every case
        QCOMPARE(window()->appendFileName(), previous);
        QCOMPARE(caption(), QStringLiteral("Yomika - ") + previous);
        QCOMPARE(ProgramDir::bytesAt(m_dir->file(QStringLiteral("target.txt"))), old);
        if (cause == u"folder")
            QVERIFY(QFileInfo(target).isDir());
        QVERIFY(!QFile::exists(previous));
    }

    void chooseAppendFile_data()
    {
        QTest::addColumn<QString>("earlier");
        QTest::addColumn<QString>("chosen"); // empty: cancelled
        QTest::newRow("first choice") << "" << "a.txt";
        QTest::newRow("another choice") << "a.txt" << "b.txt";
        QTest::newRow("cancelled, none before") << "" << "";
        QTest::newRow("cancelled, one before") << "a.txt" << "";
    }
    void chooseAppendFile()
    {
        QFETCH(QString, earlier);
        QFETCH(QString, chosen);
        const QString earlierPath = earlier.isEmpty() ? QString() : m_dir->file(earlier);
        const QString chosenPath = chosen.isEmpty() ? QString() : m_dir->file(chosen);
        if (!earlier.isEmpty())
            chooseAppendFile(earlierPath);
        m_bench->setPanes(QStringLiteral("文"), QStringLiteral("結果"));
        prompter()->files = {chosenPath};
        m_bench->action(QStringLiteral("指定"))->trigger();
        QCOMPARE(prompter()->calls.size(), 1);
        QCOMPARE(prompter()->calls[0].text, appendTitle);
        QCOMPARE(prompter()->calls[0].initialName, earlierPath);
        const QString now = chosen.isEmpty() ? earlierPath : chosenPath;
        QCOMPARE(window()->appendFileName(), now);
        QCOMPARE(caption(), now.isEmpty() ? QStringLiteral("Yomika") : QStringLiteral("Yomika - ") + now);
        // Only named: nothing is created, the panes stay.
        QVERIFY(!QFile::exists(m_dir->file(QStringLiteral("a.txt"))));
        QVERIFY(!QFile::exists(m_dir->file(QStringLiteral("b.txt"))));
        QCOMPARE(m_bench->panes(), (PanePair{QStringLiteral("文"), QStringLiteral("結果")}));
    }

    void saveThenAppendCollectsResults()
    {
        const QString path = m_dir->file(QStringLiteral("collect.txt"));
        const QString first = analyze(QStringLiteral("一つ目の文"));
        QCOMPARE(first, fakeEcho(*m_dir, QStringLiteral("一つ目の文")));
        prompter()->files = {path};
        window()->saveResult();
        QCOMPARE(caption(), QStringLiteral("Yomika - ") + path);
        QCOMPARE(m_bench->result()->text(), QString());

        const QString second = analyze(QStringLiteral("二つ目の文"));
        m_bench->action(QStringLiteral("追加"))->trigger();
        QCOMPARE(ProgramDir::bytesAt(path), codepage::encode(first + second));
        QCOMPARE(m_bench->result()->text(), QString());
        QCOMPARE(caption(), QStringLiteral("Yomika - ") + path);

        // A second append adds the now empty result: nothing changes.
        window()->appendResult();
        QCOMPARE(ProgramDir::bytesAt(path), codepage::encode(first + second));

        // Deleted meanwhile: the empty append creates it again.
        QVERIFY(QFile::remove(path));
        window()->appendResult();
        QCOMPARE(ProgramDir::bytesAt(path), QByteArray(""));

        // A result without a final line end runs on into the next.
        m_bench->result()->setText(QStringLiteral("末尾なし"));
        window()->appendResult();
        m_bench->result()->setText(QStringLiteral("次\r\n"));
        window()->appendResult();
        QCOMPARE(ProgramDir::bytesAt(path), codepage::encode(QStringLiteral("末尾なし次\r\n")));

        QCOMPARE(prompter()->texts(Kind::Save), QStringList{saveTitle}); // asked once only
        QVERIFY(prompter()->texts(Kind::Inform).isEmpty());
        QCOMPARE(window()->undoRing().index(), 2); // the two runs; save and append push nothing
        QCOMPARE(caption(), QStringLiteral("Yomika - ") + path);
    }

    void appendWithoutAFileAsksForOne_data()
    {
        QTest::addColumn<bool>("chosen");
        QTest::newRow("file chosen") << true;
        QTest::newRow("dialog cancelled") << false;
    }
    void appendWithoutAFileAsksForOne()
    {
        QFETCH(bool, chosen);
        const QString path = m_dir->file(QStringLiteral("new.txt"));
        m_bench->setPanes(QStringLiteral("文"), QStringLiteral("結果\r\n"));
        prompter()->files = {chosen ? path : QString()};
        window()->appendResult();
        QCOMPARE(prompter()->calls.size(), 1);
        QCOMPARE(prompter()->calls[0].text, appendTitle);
        QCOMPARE(prompter()->calls[0].initialName, QString());
        if (chosen) {
            QCOMPARE(ProgramDir::bytesAt(path), codepage::encode(QStringLiteral("結果\r\n")));
            QCOMPARE(m_bench->result()->text(), QString());
            QCOMPARE(caption(), QStringLiteral("Yomika - ") + path);
        } else {
            QVERIFY(!QFile::exists(path));
            QCOMPARE(m_bench->result()->text(), QStringLiteral("結果\r\n"));
            QCOMPARE(window()->appendFileName(), QString());
            QCOMPARE(caption(), QStringLiteral("Yomika"));
        }
    }

    void appendThatFails_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<int>("error");
        QTest::newRow("folder removed") << "no folder" << int(FolderNotFound);
        QTest::newRow("disk full part-way") << "disk full" << int(DiskFull);
        QTest::newRow("a folder as the append file") << "folder" << int(IsDirectory);
    }
    void appendThatFails()
    {
        QFETCH(QString, cause);
        QFETCH(int, error);
        const QByteArray old = codepage::encode(QStringLiteral("集めた結果\r\n"));
        QString path = m_dir->file(QStringLiteral("sub\\collect.txt"));
        QVERIFY(QDir().mkpath(m_dir->file(QStringLiteral("sub"))));
        QVERIFY(ProgramDir::writeBytes(path, old));
        if (cause == u"no folder") {
            QVERIFY(QDir(m_dir->file(QStringLiteral("sub"))).removeRecursively());
        } else if (cause == u"disk full") {
            testing::failWritesAfter(3);
        } else if (cause == u"folder") {
            path = m_dir->file(QStringLiteral("sub"));
        }
        chooseAppendFile(path);
        const QString result = QStringLiteral("追加する結果\r\n") + QString(5000, u'追');
        m_bench->setPanes(QStringLiteral("文"), result);
        window()->appendResult();
        testing::failWritesAfter(-1);

        QCOMPARE(prompter()->texts(Kind::Inform), QStringList{saveFailed(error)});
        QCOMPARE(prompter()->calls.size(), 1);
        QCOMPARE(m_bench->result()->text(), result); // kept for another try
        QCOMPARE(window()->appendFileName(), path);
        if (cause == u"disk full")
            QCOMPARE(ProgramDir::bytesAt(path), old); // cut back to the old length
        else if (cause == u"no folder")
            QVERIFY(!QFileInfo::exists(m_dir->file(QStringLiteral("sub"))));
        else
            QCOMPARE(ProgramDir::bytesAt(m_dir->file(QStringLiteral("sub\\collect.txt"))), old);
    }
};

QTEST_MAIN(ResultsTest)
#include "results_test.moc"
