#include <QTest>

#include "kotoka/options.h"

namespace {

std::vector<std::string> toArguments(const QStringList& list)
{
    std::vector<std::string> result;
    for (const QString& item : list)
        result.push_back(item.toStdString());
    return result;
}

// The parsed options as one line, to compare a whole case at once.
QString describe(const kotoka::Options& o)
{
    return u"r=%1 o=%2 F=%3 in=%4%5%6"_qs
        .arg(QString::fromStdString(o.resourceFile), QString::fromStdString(o.outputFile),
             o.format ? u"["_qs + QString::fromStdString(*o.format) + u"]"_qs : u"none"_qs,
             QString::fromStdString(o.inputFile), o.help ? u" help"_qs : QString(),
             o.version ? u" version"_qs : QString());
}

} // namespace

class OptionsTest : public QObject {
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
    void rejects_data();
    void rejects();
};

void OptionsTest::parses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");

    QTest::newRow("as the window starts it")
        << QStringList{u"-r"_qs, u"/p d/dic/kotokarc"_qs, u"-o"_qs, u"/p d/output.tmp"_qs, u"-F"_qs,
                       u"%m\\t%y1\\n"_qs, u"/p d/input.tmp"_qs}
        << u"r=/p d/dic/kotokarc o=/p d/output.tmp F=[%m\\t%y1\\n] in=/p d/input.tmp"_qs;
    QTest::newRow("the window with an empty option string")
        << QStringList{u"-r"_qs, u"rc"_qs, u"-o"_qs, u"out"_qs, u"in"_qs}
        << u"r=rc o=out F=none in=in"_qs;
    QTest::newRow("glued values") << QStringList{u"-F%m\\n"_qs, u"-rrc"_qs, u"-oout"_qs, u"in"_qs}
                                  << u"r=rc o=out F=[%m\\n] in=in"_qs;
    QTest::newRow("any order, options after the input")
        << QStringList{u"in"_qs, u"-F"_qs, u"%M"_qs, u"-o"_qs, u"out"_qs} << u"r= o=out F=[%M] in=in"_qs;
    QTest::newRow("a format that starts with a dash") << QStringList{u"-F"_qs, u"-%m-"_qs}
                                                      << u"r= o= F=[-%m-] in="_qs;
    QTest::newRow("an empty format") << QStringList{u"-F"_qs, QString()} << u"r= o= F=[] in="_qs;
    QTest::newRow("the last -F counts") << QStringList{u"-F%m"_qs, u"-F%M"_qs} << u"r= o= F=[%M] in="_qs;
    QTest::newRow("standard input and output") << QStringList{} << u"r= o= F=none in="_qs;
    QTest::newRow("dash is standard input") << QStringList{u"-"_qs} << u"r= o= F=none in="_qs;
    QTest::newRow("after -- a dash starts a file name") << QStringList{u"--"_qs, u"-x"_qs}
                                                        << u"r= o= F=none in=-x"_qs;
    QTest::newRow("help") << QStringList{u"-h"_qs} << u"r= o= F=none in= help"_qs;
    QTest::newRow("version") << QStringList{u"--version"_qs} << u"r= o= F=none in= version"_qs;
}

void OptionsTest::parses()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const kotoka::ParsedOptions parsed = kotoka::parseOptions(toArguments(arguments));
    QVERIFY2(parsed.error.empty(), parsed.error.c_str());
    QCOMPARE(describe(parsed.options), expected);
}

void OptionsTest::rejects_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    QTest::newRow("unknown option") << QStringList{u"-x"_qs, u"in"_qs} << u"unknown option \"-x\""_qs;
    QTest::newRow("an engine option") << QStringList{u"-N2"_qs} << u"unknown option \"-N2\""_qs;
    QTest::newRow("unknown long option") << QStringList{u"--rcfile=x"_qs} << u"unknown option \"--rcfile=x\""_qs;
    QTest::newRow("help with more letters") << QStringList{u"-hx"_qs} << u"unknown option \"-hx\""_qs;
    QTest::newRow("-F without value") << QStringList{u"in"_qs, u"-F"_qs} << u"option -F needs a value"_qs;
    QTest::newRow("-o without value") << QStringList{u"-o"_qs} << u"option -o needs a value"_qs;
    QTest::newRow("two input files") << QStringList{u"a"_qs, u"b"_qs}
                                     << u"more than one input file: \"a\" and \"b\""_qs;
}

void OptionsTest::rejects()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QCOMPARE(QString::fromStdString(kotoka::parseOptions(toArguments(arguments)).error), error);
}

QTEST_GUILESS_MAIN(OptionsTest)
#include "options_test.moc"
