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

// How Windows splits a command line, as the C runtime does.
QList<QPair<QString, QStringList>> windowsVectors()
{
    QList<QPair<QString, QStringList>> vectors;
    QFile file(QStringLiteral(YOMIKA_VECTORS_DIR "/windows-argv.json"));
    if (!file.open(QIODevice::ReadOnly))
        return vectors;
    for (const QJsonValue row : QJsonDocument::fromJson(file.readAll()).array())
        vectors.append({row[QLatin1String("command_line")].toString(), row[QLatin1String("arguments")].toVariant().toStringList()});
    return vectors;
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
    void invocation_data();
    void invocation();
#ifdef _WIN32 // Windows' own splitting, and a real start there
    void splitBackByWindows_data();
    void splitBackByWindows();
    void kotokaStartsInTheFolder();
#endif
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
    const auto vectors = windowsVectors();
    QVERIFY2(!vectors.isEmpty(), "windows-argv.json is missing");
    for (const auto& [line, arguments] : vectors)
        QTest::addRow("%s", qPrintable(line)) << "/d" << line << arguments;
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

#ifdef _WIN32
// The one string the window gives CreateProcess, split back by Windows the
// way kotoka.exe splits it (CommandLineToArgvW), is the list the C runtime's
// rules give: the program, the fixed paths whole (blanks, Japanese, what
// cmd.exe would expand), the option string split as the vectors say, the
// input path. An option string that leaves a quote open takes the input
// path's quote as its own, by those same rules, and the path comes apart.
void CommandLineTest::splitBackByWindows_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("split");
    const QStringList folders{u"C:\\Program Files\\読み 取り"_qs, u"Z:\\tmp\\プログラム フォルダ"_qs,
                              u"D:\\a 'b' %PATH% ;&^!(c) 𠮟"_qs};
    const auto vectors = windowsVectors();
    QVERIFY2(!vectors.isEmpty(), "windows-argv.json is missing");
    for (const QString& dir : folders) {
        for (const auto& [line, arguments] : vectors)
            QTest::addRow("%s | %s", qPrintable(dir), qPrintable(line)) << dir << line << arguments;
    }
}

void CommandLineTest::splitBackByWindows()
{
    QFETCH(QString, dir);
    QFETCH(QString, options);
    QFETCH(QStringList, split);
    const ProgramFolders folders = ProgramFolders::portable(dir);
    const AnalyzerInvocation invocation = analyzerInvocation(folders, options);
    const QString line = buildCommandLine(folders, options);
    const QStringList intended = splitWindowsArguments(line);
    QCOMPARE(invocation.arguments.mid(4, split.size()), split);
    if (splitWindowsArguments(options + u" x"_qs).constLast() == u"x")
        QCOMPARE(intended, QStringList{invocation.program} + invocation.arguments); // quotes closed
    else
        QVERIFY(intended.constLast() != folders.file(programfile::inputFile)); // taken into the open quote
    // CommandLineToArgvW reads "" inside quotes as a quote that ends the
    // quoting; the C runtime's rules (and the vectors) go on quoting.
    if (options.contains(u"\"\"\"\"") || options.contains(u"a\"\"b") || options.contains(u"b\"\" c"))
        QEXPECT_FAIL("", "kotoka.exe splits with CommandLineToArgvW, which ends quoting at \"\" inside quotes", Continue);
    QCOMPARE(splitByWindows(line), intended);
}

// kotoka.exe itself in a folder with blanks and Japanese in its path, its
// resource file in dic\ there, started as the window starts it: it finds
// the resource file, the input and the output by the paths it was given,
// and analyzes.
void CommandLineTest::kotokaStartsInTheFolder()
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

QTEST_GUILESS_MAIN(CommandLineTest)
#include "commandline_test.moc"
