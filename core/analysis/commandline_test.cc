#include <optional>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include "core/analysis/commandline.h"
#include "core/files/platform.h"

#ifdef _WIN32
#include <QDir>
#include <QTemporaryDir>

#include "core/analysis/analyzerrun.h"

#include <windows.h>
#include <shellapi.h>
#endif

using namespace yomika;

namespace {

void addColumns()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("split");
}

// How the Windows C runtime splits command lines, gathered from Windows, in
// each of three program folders a Windows name can hold: blanks, Japanese,
// what cmd.exe would expand.
void addVectorRows()
{
    QFile file(QStringLiteral(YOMIKA_VECTORS_DIR "/windows-argv.json"));
    const QJsonArray rows = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).array() : QJsonArray();
    QVERIFY2(!rows.isEmpty(), "windows-argv.json is missing");
    for (const QString& dir : {u"C:\\Program Files\\読み 取り"_qs, u"Z:\\tmp\\プログラム フォルダ"_qs, u"D:\\a 'b' %PATH% ;&^!(c) 𠮟"_qs}) {
        for (const QJsonValue row : rows) {
            const QString line = row[QLatin1String("command_line")].toString();
            QTest::addRow("%s | %s", qPrintable(dir), qPrintable(line)) << dir << line
                                                                        << row[QLatin1String("arguments")].toVariant().toStringList();
        }
    }
}

#ifdef _WIN32
// The arguments kotoka.exe gets from `commandLine`: it splits its command
// line with CommandLineToArgvW, program name included.
QStringList splitByWindows(const QString& commandLine)
{
    int count = 0;
    const std::wstring wide = commandLine.toStdWString();
    wchar_t** list = CommandLineToArgvW(wide.c_str(), &count);
    QStringList arguments;
    for (int i = 0; list && i < count; ++i)
        arguments << QString::fromWCharArray(list[i]);
    LocalFree(list);
    return arguments;
}
#endif

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void invocation_data()
    {
        addColumns();
        QTest::newRow("format, blanks, Japanese") << u"/home/利用者/My 読み"_qs << "-F \"%m\\t%y1\\n\""
                                                  << QStringList{"-F", "%m\\t%y1\\n"};
        QTest::newRow("empty: two blanks") << "/opt/yomika" << "" << QStringList{};
        QTest::newRow("not trimmed, quoted empty") << "C:\\Tools" << "  -a \"\"\t" << QStringList{"-a", ""};
        QTest::newRow("shell words") << "/a$b `c`" << "; touch \"$MARK\" $(touch \"$MARK\") `touch \"$MARK\"`"
                                     << QStringList{";", "touch", "$MARK", "$(touch", "$MARK)", "`touch", "$MARK`"};
        QTest::newRow("quote in folder") << u"/a \"b\" 読み\\"_qs << "-x" << QStringList{"-x"};
        addVectorRows();
    }

    // The argument list, and the one string Windows is given, carry the option
    // string between the fixed paths, however odd the folder's name.
    void invocation()
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
        // Split back by the C runtime's rules, the string gives the list
        // again where the folder's name holds no quote, as no Windows name
        // does. An option string that leaves a quote open takes the input
        // path's quote as its own, and the path comes apart.
        if (dir.contains(u'"'))
            return;
        const QStringList intended = splitWindowsArguments(line);
        if (splitWindowsArguments(options + u" x"_qs).constLast() == u"x")
            QCOMPARE(intended, QStringList{invocation.program} + invocation.arguments);
        else
            QVERIFY(intended.constLast() != work("input.tmp"));
    }

#ifdef _WIN32
    // The one string the window gives CreateProcess, split back by Windows
    // the way kotoka.exe splits it (CommandLineToArgvW), is the list the C
    // runtime's rules give.
    void splitBackByWindows_data()
    {
        addColumns();
        addVectorRows();
    }
    void splitBackByWindows()
    {
        QFETCH(QString, dir);
        QFETCH(QString, options);
        const QString line = buildCommandLine(ProgramFolders::portable(dir), options);
        // CommandLineToArgvW reads "" inside quotes as a quote that ends the
        // quoting; the C runtime's rules (and the vectors) go on quoting.
        if (options.contains(u"\"\"\"\"") || options.contains(u"a\"\"b") || options.contains(u"b\"\" c"))
            QEXPECT_FAIL("", "kotoka.exe splits with CommandLineToArgvW, which ends quoting at \"\" inside quotes", Continue);
        QCOMPARE(splitByWindows(line), splitWindowsArguments(line));
    }

    // kotoka.exe itself in a folder with blanks and Japanese in its path, its
    // resource file in dic\ there, started as the window starts it: it finds
    // the resource file, the input and the output by the paths it was given,
    // and analyzes.
    void kotokaStartsInTheFolder()
    {
        QTemporaryDir base;
        const QString dir = QDir::toNativeSeparators(base.filePath(u"プログラム フォルダ 'a' %PATH%"_qs));
        const ProgramFolders folders = ProgramFolders::portable(dir);
        QVERIFY(QDir().mkpath(dir + u"\\dic"_qs));
        QVERIFY(QFile::copy(QStringLiteral(YOMIKA_KOTOKA), folders.analyzer()));
        QFile rc(folders.file(programfile::resourceFile));
        QVERIFY(rc.open(QIODevice::WriteOnly));
        rc.write("dicdir " + QDir::toNativeSeparators(QStringLiteral(YOMIKA_KOTOKA_DICTIONARY)).toUtf8() + "\n");
        rc.close();
        AnalyzerRun run(folders);
        std::optional<AnalyzerRun::Outcome> outcome;
        connect(&run, &AnalyzerRun::finished, this, [&](const AnalyzerRun::Outcome& o) { outcome = o; });
        QVERIFY(run.start({TextPiece{u"吾輩は猫である。"_qs, {}, {}}}, u"-F \"%m\\n\" -j 2"_qs));
        QVERIFY(QTest::qWaitFor([&] { return outcome.has_value(); }, 120000));
        QCOMPARE(int(outcome->error), 0);
        QFile output(folders.file(programfile::outputFile));
        QVERIFY(output.open(QIODevice::ReadOnly));
        QCOMPARE(output.readAll(), u"吾輩\r\nは\r\n猫\r\nで\r\nある\r\n。\r\nEOS\r\n"_qs.toUtf8());
    }
#endif
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "commandline_test.moc"
