#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/prose.h"
#include "tests/support/programrun.h"

// On request (ctest -L dictionaries, after run.sh installed them): the real
// UniDic and NAIST-jdic, kotoka's six fields against the mecab command line
// over the manual-page prose, line for line, through the mapping of each
// layout; and two threads write the bytes of one.

namespace {

using yomika::testsupport::ProgramRun;
using yomika::testsupport::runProgram;

// The engine's line "surface, base, spelling, reading, pronunciation, part
// of speech, type, form" in kotoka's six fields: where a column is empty
// (the engine writes nothing for "*") the surface stands, an inflection
// without value is "*", and a base form spelt as written is the surface.
QString mapped(const QString& line, bool spellingRule)
{
    QStringList f = line.split(u'\t');
    if (f.size() != 8)
        return line;
    const QString surface = f[0];
    QString base = f[1].isEmpty() || (spellingRule && f[2] == f[1]) ? surface : f[1];
    const auto orSurface = [&](const QString& value) { return value.isEmpty() ? surface : value; };
    const auto orStar = [](const QString& value) { return value.isEmpty() ? u"*"_qs : value; };
    return QStringList{surface, base, orSurface(f[3]), orSurface(f[4]), f[5], orStar(f[6]), orStar(f[7])}.join(u'\t');
}

} // namespace

class RealDictionariesTest : public QObject {
    Q_OBJECT
private slots:
    void agreesWithTheEngine_data();
    void agreesWithTheEngine();
};

void RealDictionariesTest::agreesWithTheEngine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("columns"); // base, spelling, reading, pronunciation
    QTest::addColumn<bool>("spellingRule");
    QTest::newRow("UniDic") << "unidic" << "/var/lib/mecab/dic/unidic" << "%f[10]\\t%f[8]\\t%f[20]\\t%f[9]" << true;
    QTest::newRow("NAIST-jdic") << "naist-jdic" << "/var/lib/mecab/dic/naist-jdic" << "%f[6]\\t%f[6]\\t%f[7]\\t%f[8]"
                                << false;
}

void RealDictionariesTest::agreesWithTheEngine()
{
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QFETCH(QString, columns);
    QFETCH(bool, spellingRule);
    const QString mecab = QStandardPaths::findExecutable("mecab");
    const QByteArray prose = yomika::testsupport::manualPageProse(4 * 1024 * 1024).toUtf8();
    QVERIFY2(!mecab.isEmpty() && !prose.isEmpty() && QFile::exists(folder + "/sys.dic"),
             "run tests/dictionaries/run.sh: it installs mecab, manpages-ja and the dictionaries");
    const QTemporaryDir dir;
    QFile input(dir.filePath("input.txt"));
    QVERIFY(input.open(QIODevice::WriteOnly) && input.write(prose) == prose.size() && input.flush());
    // The dictionary by name, as a user chooses it; the engine by its folder
    // and its own dicrc, never the system's mecabrc.
    const QStringList command{KOTOKA_PROGRAM, "-d", name, "-F", "%m\\t%M\\t%y1\\t%a1\\t%U(%P-)\\t%T*\\t%F*\\n",
                              "input.txt"};
    const ProgramRun ours = runProgram(command + QStringList{"-j1"}, dir.path());
    const ProgramRun theirs = runProgram({mecab, "-d", folder, "-r", folder + "/dicrc", "-O", "", "--input-buffer-size=1048576",
        "--node-format=%m\\t" + columns + "\\t%F-[0,1,2,3]\\t%f[4]\\t%f[5]\\n",
        u"--unk-format=%m\\t\\t\\t\\t\\t未知語\\t%f[4]\\t%f[5]\\n"_qs, "--eos-format=EOS\\n", "input.txt"}, dir.path());
    QVERIFY2(ours.status == 0, ours.err);
    QVERIFY2(theirs.status == 0, theirs.err);
    QStringList expected = QString::fromUtf8(theirs.out).split(u'\n');
    for (QString& line : expected)
        line = mapped(line, spellingRule);
    const QStringList lines = QString::fromUtf8(ours.out).split(u'\n');
    qsizetype differing = 0;
    for (qsizetype i = 0; i < std::min(lines.size(), expected.size()); ++i) {
        if (lines[i] != expected[i] && ++differing <= 5)
            qWarning("line %lld: kotoka %s, mecab %s", qlonglong(i + 1), qPrintable(lines[i]), qPrintable(expected[i]));
    }
    qInfo("%s: %lld lines, %lld differ", qPrintable(name), qlonglong(lines.size()), qlonglong(differing));
    QCOMPARE(lines.size(), expected.size());
    QCOMPARE(differing, 0);
    QVERIFY(lines.size() > 100000);
    QCOMPARE(runProgram(command + QStringList{"-j2"}, dir.path()).out, ours.out);
}

QTEST_GUILESS_MAIN(RealDictionariesTest)
#include "realdictionaries_test.moc"
