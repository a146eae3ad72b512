#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "core/commandline.h"
#include "core/platform.h"

using namespace yomika;

namespace {

// Expected strings are written with {S} for the separator and {EXE} for the
// analyzer's file name, so that on Windows they read exactly as Windows
// starts the analyzer.
QString onThisPlatform(QString pattern)
{
    pattern.replace(QStringLiteral("{S}"), platform::separator());
    pattern.replace(QStringLiteral("{EXE}"), platform::analyzerFileName());
    return pattern;
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void buildCommandLine_data();
    void buildCommandLine();
    void splitWindowsArguments_data();
    void splitWindowsArguments();
    void quoteRoundTrip_data();
    void quoteRoundTrip();
    void analyzerInvocation_data();
    void analyzerInvocation();
    void invocationMatchesCommandLine_data();
    void invocationMatchesCommandLine();
};

void CommandLineTest::buildCommandLine_data()
{
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tools folder") << QStringLiteral("C:\\Tools") << QStringLiteral("-F \"%m\\t%y1\\n\"")
                                  << onThisPlatform(QStringLiteral(
                                         "\"C:\\Tools{S}{EXE}\" -r \"C:\\Tools{S}dic{S}kotokarc\" "
                                         "-o \"C:\\Tools{S}output.tmp\" -F \"%m\\t%y1\\n\" \"C:\\Tools{S}input.tmp\""));
    QTest::newRow("empty options leave two blanks")
        << QStringLiteral("/opt/yomika") << QString()
        << onThisPlatform(QStringLiteral("\"/opt/yomika{S}{EXE}\" -r \"/opt/yomika{S}dic{S}kotokarc\" "
                                         "-o \"/opt/yomika{S}output.tmp\"  \"/opt/yomika{S}input.tmp\""));
    QTest::newRow("blanks and Japanese in the folder")
        << QStringLiteral(u"/home/利用者/My 読み 2000") << QStringLiteral("-F \"%m\\n\"")
        << onThisPlatform(QStringLiteral(u"\"/home/利用者/My 読み 2000{S}{EXE}\" "
                                         u"-r \"/home/利用者/My 読み 2000{S}dic{S}kotokarc\" "
                                         u"-o \"/home/利用者/My 読み 2000{S}output.tmp\" -F \"%m\\n\" "
                                         u"\"/home/利用者/My 読み 2000{S}input.tmp\""));
    QTest::newRow("options not trimmed") << QStringLiteral("/d") << QStringLiteral("  -a\t")
                                         << onThisPlatform(QStringLiteral(
                                                "\"/d{S}{EXE}\" -r \"/d{S}dic{S}kotokarc\" -o \"/d{S}output.tmp\"   -a\t \"/d{S}input.tmp\""));
}

void CommandLineTest::buildCommandLine()
{
    QFETCH(QString, programDir);
    QFETCH(QString, options);
    QFETCH(QString, expected);
    QCOMPARE(yomika::buildCommandLine(programDir, options), expected);
}

void CommandLineTest::splitWindowsArguments_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("arguments");
    QFile file(QStringLiteral(YOMIKA_VECTORS_DIR "/windows-argv.json"));
    QVERIFY2(file.open(QIODevice::ReadOnly), "windows-argv.json is missing");
    const QJsonArray rows = QJsonDocument::fromJson(file.readAll()).array();
    QVERIFY(!rows.isEmpty());
    int index = 0;
    for (const QJsonValue& row : rows) {
        QStringList arguments;
        for (const QJsonValue& argument : row[QLatin1String("arguments")].toArray())
            arguments << argument.toString();
        const QString commandLine = row[QLatin1String("command_line")].toString();
        QTest::addRow("%d: %s", index++, qPrintable(commandLine)) << commandLine << arguments;
    }
}

void CommandLineTest::splitWindowsArguments()
{
    QFETCH(QString, commandLine);
    QFETCH(QStringList, arguments);
    QCOMPARE(yomika::splitWindowsArguments(commandLine), arguments);
}

void CommandLineTest::quoteRoundTrip_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("plain") << QStringList{QStringLiteral("-F"), QStringLiteral("abc")};
    QTest::newRow("empty") << QStringList{QString(), QStringLiteral("x"), QString()};
    QTest::newRow("blank and tab") << QStringList{QStringLiteral("a b"), QStringLiteral("\t")};
    QTest::newRow("quotes") << QStringList{QStringLiteral("\""), QStringLiteral("a\"b"), QStringLiteral("\"\"")};
    QTest::newRow("backslashes before a quote") << QStringList{QStringLiteral("a\\\"b"), QStringLiteral("\\\\\"")};
    QTest::newRow("trailing backslashes in quotes") << QStringList{QStringLiteral("C:\\dir x\\"), QStringLiteral("a b\\\\")};
    QTest::newRow("lone backslashes") << QStringList{QStringLiteral("\\"), QStringLiteral("a\\b\\\\c")};
    QTest::newRow("shell words") << QStringList{QStringLiteral(";"), QStringLiteral("$(id)"), QStringLiteral("`id`")};
    QTest::newRow("Japanese") << QStringList{QStringLiteral(u"表層 形"), QStringLiteral(u"「読み」")};
}

void CommandLineTest::quoteRoundTrip()
{
    QFETCH(QStringList, arguments);
    QStringList quoted;
    for (const QString& argument : arguments)
        quoted << quoteWindowsArgument(argument);
    QCOMPARE(yomika::splitWindowsArguments(quoted.join(QLatin1Char(' '))), arguments);
}

void CommandLineTest::analyzerInvocation_data()
{
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("optionArguments");
    const QString dir = QStringLiteral(u"/tmp/a \"b\" $HOME `id` 読み\\");
    QTest::newRow("format option") << dir << QStringLiteral("-F \"%m\\t%y1\\n\"")
                                   << QStringList{QStringLiteral("-F"), QStringLiteral("%m\\t%y1\\n")};
    QTest::newRow("no options") << dir << QString() << QStringList();
    QTest::newRow("blanks only") << dir << QStringLiteral(" \t ") << QStringList();
    QTest::newRow("command separator") << dir << QStringLiteral("; rm -rf ~")
                                       << QStringList{QStringLiteral(";"), QStringLiteral("rm"), QStringLiteral("-rf"),
                                                      QStringLiteral("~")};
    QTest::newRow("command substitution") << dir << QStringLiteral("$(id)") << QStringList{QStringLiteral("$(id)")};
    QTest::newRow("backquotes") << dir << QStringLiteral("`id`") << QStringList{QStringLiteral("`id`")};
    QTest::newRow("quoted empty argument") << dir << QStringLiteral("-a \"\"")
                                           << QStringList{QStringLiteral("-a"), QString()};
}

void CommandLineTest::analyzerInvocation()
{
    QFETCH(QString, programDir);
    QFETCH(QString, options);
    QFETCH(QStringList, optionArguments);
    const AnalyzerInvocation invocation = yomika::analyzerInvocation(programDir, options);
    // The fixed paths come whole, however odd the folder's name.
    const auto path = [&](const char* name) { return platform::joinPath(programDir, QString::fromLatin1(name)); };
    QCOMPARE(invocation.program, platform::joinPath(programDir, platform::analyzerFileName()));
    const QStringList expected = QStringList{QStringLiteral("-r"), path("dic\\kotokarc"), QStringLiteral("-o"),
                                             path("output.tmp")}
        + optionArguments + QStringList{path("input.tmp")};
    QCOMPARE(invocation.arguments, expected);
}

// The string and the argument list are two forms of one command line: where
// the string can carry the folder (no quote in it, no backslash before a
// quote), splitting the string gives the program and the arguments.
void CommandLineTest::invocationMatchesCommandLine_data()
{
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<QString>("options");
    QTest::newRow("plain") << QStringLiteral("/opt/yomika") << QStringLiteral("-F \"%m\\t%y1\\n\"");
    QTest::newRow("blanks and Japanese") << QStringLiteral(u"/home/利用者/読み 取り") << QStringLiteral("-F \"%m %M\\n\"");
    QTest::newRow("empty options") << QStringLiteral("/a b") << QString();
    QTest::newRow("shell words") << QStringLiteral("/a$b") << QStringLiteral("; rm -rf ~ $(id) `id`");
}

void CommandLineTest::invocationMatchesCommandLine()
{
    QFETCH(QString, programDir);
    QFETCH(QString, options);
    const AnalyzerInvocation invocation = yomika::analyzerInvocation(programDir, options);
    QCOMPARE(yomika::splitWindowsArguments(yomika::buildCommandLine(programDir, options)),
             QStringList{invocation.program} + invocation.arguments);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "commandline_test.moc"
