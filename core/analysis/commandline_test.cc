#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include "core/analysis/commandline.h"
#include "core/files/platform.h"

using namespace yomika;

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void invocation_data();
    void invocation();
};

void CommandLineTest::invocation_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("split");
    QTest::newRow("format, blanks, Japanese") << u"/home/利用者/My 読み"_qs << "-F \"%m\\t%y1\\n\""
                                              << QStringList{"-F", "%m\\t%y1\\n"};
    QTest::newRow("empty: two blanks") << "/opt/yomika" << "" << QStringList{};
    QTest::newRow("not trimmed, quoted empty") << "C:\\Tools" << "  -a \"\"\t" << QStringList{"-a", ""};
    QTest::newRow("shell words") << "/a$b `c`" << "; touch \"$MARK\" $(touch \"$MARK\") `touch \"$MARK\"`"
                                 << QStringList{";", "touch", "$MARK", "$(touch", "$MARK)", "`touch", "$MARK`"};
    QTest::newRow("quote in folder") << u"/a \"b\" 読み\\"_qs << "-x" << QStringList{"-x"};
    // How the Windows C runtime splits command lines, gathered from Windows.
    QFile file(QStringLiteral(YOMIKA_VECTORS_DIR "/windows-argv.json"));
    QVERIFY2(file.open(QIODevice::ReadOnly), "windows-argv.json is missing");
    const QJsonArray rows = QJsonDocument::fromJson(file.readAll()).array();
    QVERIFY(!rows.isEmpty());
    for (const QJsonValue row : rows) {
        const QString line = row[QLatin1String("command_line")].toString();
        QTest::addRow("%s", qPrintable(line)) << "/d" << line << row[QLatin1String("arguments")].toVariant().toStringList();
    }
}

// The argument list, and the one string Windows is given, carry the option
// string between the fixed paths, however odd the folder's name.
void CommandLineTest::invocation()
{
    QFETCH(QString, dir);
    QFETCH(QString, options);
    QFETCH(QStringList, split);
    // The temporary files may lie in a folder of their own.
    const ProgramFolders folders{dir, dir, dir + "/作業"};
    const auto path = [&](const QString& name) { return platform::joinPath(dir, name); };
    const auto work = [&](const QString& name) { return platform::joinPath(folders.work, name); };
    const QStringList fixed{path(platform::analyzerFileName()), "-r", path("dic\\kotokarc"), "-o", work("output.tmp")};
    const AnalyzerInvocation invocation = analyzerInvocation(folders, options);
    QCOMPARE(QStringList{invocation.program} + invocation.arguments, fixed + split + QStringList{work("input.tmp")});
    // Unchanged, not trimmed: an empty option string leaves two blanks.
    const QString line = u"\"%1\" -r \"%2\" -o \"%3\" %4 \"%5\""_qs.arg(fixed[0], fixed[2], fixed[4], options,
                                                                      work("input.tmp"));
    QCOMPARE(buildCommandLine(folders, options), line);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "commandline_test.moc"
