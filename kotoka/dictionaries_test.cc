#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "core/analysis/dictionaryinuse.h"
#include "kotoka/exitstatus.h"
#include "tests/support/programrun.h"

// The built kotoka on small dictionaries of each layout, compiled here by
// MeCab's own dictionary compiler: the six fields each layout maps, every
// column as MeCab's command line writes it, the user's words, and the
// refusals.

using namespace kotoka;

namespace {

using yomika::testsupport::ProgramRun;
using yomika::testsupport::writeFile;

// kotoka ends its lines with CR LF on Windows, as kotoka_test checks; the
// expectations here are written with LF.
ProgramRun runProgram(const QStringList& command, const QString& folder, const QByteArray& input = {},
                      const QString& configHome = {})
{
    ProgramRun run = yomika::testsupport::runProgram(command, folder, input, configHome);
#ifdef Q_OS_WIN
    run.out.replace("\r\n", "\n");
#endif
    return run;
}

const QString compiler = QStringLiteral(KOTOKA_DICTIONARY_COMPILER);

// The entries of each small dictionary: surface, the context ids and cost
// MeCab's sources need, then the feature columns of the layout.
const QByteArray ipadicWords = R"(東京,0,0,100,名詞,固有名詞,地域,一般,*,*,東京,トウキョウ,トーキョー
に,0,0,100,助詞,格助詞,一般,*,*,*,に,ニ,ニ
行っ,0,0,100,動詞,自立,*,*,五段・カ行促音便,連用タ接続,行く,イッ,イッ
た,0,0,100,助動詞,*,*,*,特殊・タ,基本形,た,タ,タ
。,0,0,100,記号,句点,*,*,*,*,。,。,。
ー,0,0,100,記号,一般,*,*,*,*,*
)";
const QByteArray naistWords = R"(東京,0,0,100,名詞,固有名詞,地域,一般,*,*,東京,トウキョウ,トーキョー,,
に,0,0,100,助詞,格助詞,一般,*,*,*,に,ニ,ニ,,
行っ,0,0,100,動詞,自立,*,*,五段・カ行促音便,連用タ接続,行く,イッ,イッ,いっ/逝っ,"行っ,た"
た,0,0,100,助動詞,*,*,*,特殊・タ,基本形,た,タ,タ,,
。,0,0,100,記号,句点,*,*,*,*,。,。,。,,
)";
const QByteArray unidicWords =
    R"(東京,0,0,100,名詞,固有名詞,地名,一般,*,*,トウキョウ,東京,東京,トーキョー,東京,トーキョー,固,*,*,*,*,*,*,地名,トウキョウ,トウキョウ,トウキョウ,トウキョウ,0,*,*,1,2
に,0,0,100,助詞,格助詞,*,*,*,*,ニ,に,に,ニ,に,ニ,和,*,*,*,*,*,*,助,ニ,ニ,ニ,ニ,*,"動詞%F2@0,名詞%F1",*,3,4
行っ,0,0,100,動詞,非自立可能,*,*,五段-カ行,連用形-促音便,イク,行く,行っ,イッ,行く,イク,和,*,*,*,*,*,*,用,イッ,イク,イッ,イク,0,C2,*,5,6
た,0,0,100,助動詞,*,*,*,助動詞-タ,終止形-一般,タ,た,た,タ,た,タ,和,*,*,*,*,*,"""x""",助動,タ,タ,タ,タ,*,"動詞%F2@1,形容詞%F4@-2",*,7,8
Apple,0,0,100,名詞,普通名詞,一般,*,*,*,アップル,アップル-apple,Ａｐｐｌｅ,アップル,Ａｐｐｌｅ,アップル,外,*,*,*,*,*,*,体,アップル,アップル,アップル,アップル,"3,4",*,*,9,10
。,0,0,100,補助記号,句点,*,*,*,*,*,。,。,*,。,*,記号,*,*,*,*,*,*,補助,*,*,*,*,*,*,*,11,12
)";
// UniDic 2.1's 26 columns: kana as written is column 17; column 20 (which
// UniDic 3 reads) holds the spelling of the base form's word form.
const QByteArray unidic2Words =
    "東京,0,0,100,名詞,固有名詞,地名,一般,*,*,トウキョウ,東京,東京,トーキョー,東京,トーキョー,固,*,*,*,*,"
    "トウキョウ,トウキョウ,トウキョウ,ケイト,*,*,0,*,*\n";
// A dictionary of a layout kotoka does not know: seven columns.
const QByteArray otherWords = "東京,0,0,100,名詞,地名,*,*,*,*,とうきょう\n";

const QByteArray ipadicRc = "cost-factor = 800\nbos-feature = BOS/EOS,*,*,*,*,*,*,*,*\nconfig-charset = UTF-8\n";
const QByteArray unidicRc = "cost-factor = 700\nbos-feature = BOS/EOS,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*\n"
                            "config-charset = utf8\noutput-format-type = unidic22\n"
                            "node-format-unidic22 = %m\\t%H\\n\nunk-format-unidic22 = %m\\t%H\\n\n"
                            "eos-format-unidic22 = EOS\\n\n";

// Compiles `words` with `dicrc` into `folder`; false when the compiler fails.
bool compileDictionary(const QString& folder, const QByteArray& dicrc, const QByteArray& words)
{
    const QString source = folder + "-source";
    const bool written = writeFile(source + "/dicrc", dicrc) && writeFile(source + "/words.csv", words)
        && writeFile(source + "/matrix.def", "1 1\n0 0 0\n")
        && writeFile(source + "/char.def", "DEFAULT 0 1 0\nSPACE 0 1 0\nKANJI 0 0 2\n0x0020 SPACE\n0x4E00..0x9FFF KANJI\n")
        && writeFile(source + "/unk.def", "DEFAULT,0,0,1000,名詞,普通名詞,一般,*,*,*\nSPACE,0,0,1000,空白,*,*,*,*,*\n"
                                          "KANJI,0,0,1000,名詞,普通名詞,一般,*,*,*\n")
        && QDir().mkpath(folder);
    const ProgramRun compiled = runProgram({compiler, "-d", source, "-o", folder, "-f", "utf-8", "-t", "utf-8"}, source);
    return written && compiled.status == 0 && QFile::copy(source + "/dicrc", folder + "/dicrc");
}

} // namespace

class DictionariesTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString dictionary(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(compiler))
            QSKIP("MeCab's dictionary compiler (mecab-utils) is not installed");
        QVERIFY(compileDictionary(dictionary("ipadic"), ipadicRc, ipadicWords));
        QVERIFY(compileDictionary(dictionary("naist"), ipadicRc, naistWords));
        QVERIFY(compileDictionary(dictionary("unidic"), unidicRc, unidicWords));
        QVERIFY(compileDictionary(dictionary("other"), ipadicRc, otherWords));
        QVERIFY(compileDictionary(dictionary("unidic2"), unidicRc, unidic2Words));
    }

    // What kotoka writes for a text on each layout (words.csv and empty.csv
    // lists of user words), or what it refuses before it writes anything
    // (`expected` then what the message says).
    void runs_data()
    {
        QTest::addColumn<QString>("dictionary");
        QTest::addColumn<QByteArray>("list"); // words.csv
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char* name, const char* dictionary, const QByteArray& list,
                            const QStringList& arguments, const QByteArray& text, int status, const QByteArray& expected) {
            QTest::newRow(name) << dictionary << list << arguments << text << status << expected;
        };
        // The window's six fields by default. User words: one word a line,
        // only the surface needed, quotes around a field with a comma.
        const QByteArray words = "# surface,reading,part of speech,base form,pronunciation\n\n"
                                 "スカイツリー,スカイツリー,名詞-固有名詞-一般\r\n"
                                 "ヨミカ\n"
                                 "\"a,b\",エービー,記号,\"\"\"ab\"\"\",エイビー\n";
        const QStringList lists{"-u", "empty.csv", "-u", "words.csv"};
        const QByteArray ipadicLines = "東京\t東京\tトウキョウ\tトーキョー\t名詞-固有名詞-地域-一般\t \t \n"
                                       "スカイツリー\tスカイツリー\tスカイツリー\tスカイツリー\t名詞-固有名詞-一般\t \t \n"
                                       "に\tに\tニ\tニ\t助詞-格助詞-一般\t \t \n"
                                       "行っ\t行く\tイッ\tイッ\t動詞-自立\t五段・カ行促音便\t連用タ接続\n"
                                       "た\tた\tタ\tタ\t助動詞\t特殊・タ\t基本形\n"
                                       "。\t。\t。\t。\t記号-句点\t \t \n"
                                       "ヨミカ\tヨミカ\tヨミカ\tヨミカ\t名詞-固有名詞-一般\t \t \n"
                                       "a,b\t\"ab\"\tエービー\tエイビー\t記号\t \t \n"
                                       "本\t本\t本\t本\t未知語\t \t \nEOS\n";
        const QByteArray text = "東京スカイツリーに行った。ヨミカa,b本\n";
        row("IPADIC", "ipadic", words, lists, text, 0, ipadicLines);
        row("NAIST-jdic: IPADIC's fields", "naist", words, lists, text, 0, ipadicLines);
        // An entry without base form, reading and pronunciation shows its
        // surface; a last line without its line end is a line too.
        row("IPADIC, an entry of seven columns", "ipadic", {}, {}, "ー", 0, "ー\tー\tー\tー\t記号-一般\t \t \nEOS\n");
        // UniDic: base form 10 (the surface where it equals the spelling 8),
        // reading 20, pronunciation 9; "*" gives the surface.
        row("UniDic 2.1", "unidic2", {}, {}, "東京\n", 0, "東京\t東京\tトウキョウ\tトーキョー\t名詞-固有名詞-地名-一般\t \t \nEOS\n");
        row("UniDic", "unidic", words, lists, "東京スカイツリーに行った。ヨミカa,bApple本\n", 0,
            "東京\t東京\tトウキョウ\tトーキョー\t名詞-固有名詞-地名-一般\t \t \n"
            "スカイツリー\tスカイツリー\tスカイツリー\tスカイツリー\t名詞-固有名詞-一般\t \t \n"
            "に\tに\tニ\tニ\t助詞-格助詞\t \t \n"
            "行っ\t行く\tイッ\tイッ\t動詞-非自立可能\t五段-カ行\t連用形-促音便\n"
            "た\tた\tタ\tタ\t助動詞\t助動詞-タ\t終止形-一般\n"
            "。\t。\t。\t。\t補助記号-句点\t \t \n"
            "ヨミカ\tヨミカ\tヨミカ\tヨミカ\t名詞-固有名詞-一般\t \t \n"
            "a,b\t\"ab\"\tエービー\tエイビー\t記号\t \t \n"
            "Apple\tApple\tアップル\tアップル\t名詞-普通名詞-一般\t \t \n"
            "本\t本\t本\t本\t未知語\t \t \nEOS\n");
        // A user word in the columns the layout gives the fields, the rest "*".
        const QByteArray word = "京,ミヤコ,名詞-固有名詞-地名,都,ミヤコー\n";
        row("UniDic's columns", "unidic", word, {"-u", "words.csv", "-F", "%m|%f[0]|%f[2]|%f[3]|%f[7]|%f[8]|%f[9]|%f[10]|%f[20]|%f[28]\\n"},
            "京\n", 0, "京|名詞|地名|||京|ミヤコー|都|ミヤコ|\nEOS\n");
        row("IPADIC's columns", "ipadic", word, {"-u", "words.csv", "-F", "%m|%f[3]|%f[6]|%f[7]|%f[8]|%f[9]\\n"}, "京\n", 0,
            "京||都|ミヤコ|ミヤコー|\nEOS\n");
        // Overlaps: the word that starts first, of those the longest; a
        // surface listed twice takes its last line.
        row("overlaps", "ipadic", "京都,キョウト\n東京都,トウキョウト\n東京,ア\n東京,トウキョウ\nx,エックス\n",
            {"-u", "words.csv", "-F", "%m/%y\\n"}, "東京都京都東京x本\n", 0,
            "東京都/トウキョウト\n京都/キョウト\n東京/トウキョウ\nx/エックス\n本/本\nEOS\n");
        const int broken = exitCode(ExitStatus::UserWordsBroken), unknown = exitCode(ExitStatus::DictionaryFailed);
        const auto refused = [&](const char* name, const QByteArray& list, const char* message) {
            row(name, "ipadic", list, {"-u", "words.csv"}, "東京本\n", broken, message);
        };
        refused("an unterminated quote", "京,キョウ\n\"東京,トウキョウ\n", "words.csv:2: a quote is not closed");
        refused("text after a closing quote", "# a\n\n\"東京\"x,トウキョウ\n", "words.csv:3: text follows a closing quote");
        refused("an empty surface", "京\n,キョウ\n", "words.csv:2: the surface is empty");
        refused("too many fields", "京,キョウ,名詞,京,キョー,x\n", "words.csv:1: more than five fields");
        refused("five levels", "京,キョウ,名詞-a-b-c-d\n", "words.csv:1: the part of speech 名詞-a-b-c-d has more than four levels");
        row("a list that cannot be read", "ipadic", {}, {"-u", "none.csv"}, "東京本\n", broken, "none.csv cannot be read");
        // A dictionary of a layout kotoka does not know still gives its raw
        // columns, nothing for a column a word lacks.
        const auto other = [&](const char* name, const QStringList& arguments, int status, const QByteArray& expected) {
            row(name, "other", "京\n", arguments, "東京本\n", status, expected);
        };
        other("unknown layout: the six fields", {}, unknown, "has a layout kotoka does not know (entries of 7 columns");
        other("unknown layout: one of them", {"-F", "%m %y1\\n"}, unknown,
              "the format uses %y, which need a dictionary of known layout");
        other("unknown layout: user words", {"-F", "%m\\n", "-u", "words.csv"}, unknown,
              "user words need a dictionary of known layout");
        other("unknown layout: raw directives", {"-F", "%m|%U(%f[6]|%F-[0,1,2])\\n"}, 0,
              "東京|とうきょう|名詞-地名\n本|未知語\nEOS\n");
        other("unknown layout: missing columns", {"-F", "%m|%f[5]|%f[7]|%f[63]|%F-[0,7,1]\\n"}, 0,
              "東京||||名詞-地名\n本||||名詞-普通名詞\nEOS\n");
    }
    void runs()
    {
        QFETCH(QString, dictionary);
        QFETCH(QByteArray, list);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, text);
        QFETCH(int, status);
        QFETCH(QByteArray, expected);
        const QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("words.csv"), list) && writeFile(dir.filePath("empty.csv"), "# none\n"));
        const QString folder = this->dictionary(dictionary);
        const QStringList command = QStringList{KOTOKA_PROGRAM, "-d", folder} + arguments;
        // Lines enough to be shared out among threads: one and two write the same.
        const int times = text.endsWith('\n') ? 3000 : 1;
        const ProgramRun one = runProgram(command + QStringList{"-j1"}, dir.path(), text.repeated(times));
        QCOMPARE(one.status, status);
        if (status == exitCode(ExitStatus::Success)) {
            QCOMPARE(one.out.left(expected.size()), expected);
            QCOMPARE(one.out, expected.repeated(times));
            QCOMPARE(runProgram(command + QStringList{"-j2"}, dir.path(), text.repeated(times)).out, one.out);
            return;
        }
        QVERIFY(one.out.isEmpty());
        QVERIFY2(one.err.contains(expected), one.err);
        QVERIFY2(status != exitCode(ExitStatus::DictionaryFailed) || one.err.contains(folder.toUtf8()), one.err);
    }

    // kotoka's %f[N] and %Fc[N,...] against the engine's command line with
    // the same format, quoted columns and "*" included. Unknown words have
    // six columns, past which the engine refuses: there both write 未知語
    // and the columns of `unknown`, which both kinds of word have.
    void columnsAsTheEngineWritesThem_data()
    {
        QTest::addColumn<QString>("dictionary");
        QTest::addColumn<QString>("known");   // the format for both
        QTest::addColumn<QString>("unknown"); // written after both
        const QString unidicAll = "%m|%f[0]|%f[6]|%f[8]|%f[10]|%f[18]|%f[20]|%f[24]|%f[25]|%f[28]|%F-[0,1,2,3]|%F/[4,5,13]";
        QTest::newRow("UniDic, every kind of column") << "unidic" << unidicAll << "|%f[0]|%f[5]|%F-[0,1,2,3]\\n";
        // The engine takes a last empty column for none: NAIST-jdic's column 10
        // is out of its range for most words.
        QTest::newRow("NAIST-jdic, empty columns") << "naist" << "%m|%f[6]|%f[9]|%F,[9,0]" << "|%f[4]|%f[5]\\n";
        QTest::newRow("IPADIC") << "ipadic" << "%m|%f[3]|%f[6]|%F-[6,7,8]" << "|%f[0]\\n";
    }
    void columnsAsTheEngineWritesThem()
    {
        QFETCH(QString, dictionary);
        QFETCH(QString, known);
        QFETCH(QString, unknown);
        const QString mecab = QStandardPaths::findExecutable("mecab");
        if (mecab.isEmpty())
            QSKIP("mecab's command line is not installed");
        const QString folder = this->dictionary(dictionary);
        const QByteArray text = "東京に行った。Apple本\n行った東京\n";
        const ProgramRun theirs = runProgram({mecab, "-d", folder, "-r", folder + "/dicrc", "-O", "", "--node-format=" + known + unknown,
                                          u"--unk-format=未知語"_qs + unknown, "--eos-format=EOS\\n"}, m_dir.path(), text);
        QVERIFY2(theirs.status == 0, theirs.err);
        const ProgramRun ours = runProgram({KOTOKA_PROGRAM, "-d", folder, "-F", "%U(" + known + ")" + unknown}, m_dir.path(), text);
        QCOMPARE(ours.status, exitCode(ExitStatus::Success));
        QCOMPARE(QString::fromUtf8(ours.out).split(u'\n'), QString::fromUtf8(theirs.out).split(u'\n'));
        QVERIFY(theirs.out.count('|') > 20);
    }

    // The About box's line for the dictionary the resource file names, and
    // the folder the analyzer reports.
    void dictionaryInUse_data()
    {
        QTest::addColumn<QString>("analyzer");
        QTest::addColumn<QString>("dicdir"); // in the resource file
        QTest::addColumn<QString>("credit");
        QTest::newRow("UniDic") << KOTOKA_PROGRAM << "unidic" << u"辞書: UniDic (BSD-3-Clause/LGPL-2.1/GPL-2+)"_qs;
        QTest::newRow("UniDic 2.1") << KOTOKA_PROGRAM << "unidic2" << u"辞書: UniDic 2.1 (BSD-3-Clause/LGPL-2.1/GPL-2+)"_qs;
        QTest::newRow("NAIST-jdic") << KOTOKA_PROGRAM << "naist" << u"辞書: NAIST-jdic (BSD-3-Clause)"_qs;
        QTest::newRow("IPADIC") << KOTOKA_PROGRAM << "ipadic" << u"辞書: IPADIC (BSD-3-Clause-with-ICOT-term)"_qs;
        QTest::newRow("another layout: its folder") << KOTOKA_PROGRAM << "other" << u"辞書: @/other"_qs;
        // The analyzer cannot tell: the dictionary shipped.
        QTest::newRow("no analyzer") << "/nonexistent/kotoka" << "unidic" << u"辞書: IPADIC (BSD-3-Clause-with-ICOT-term)"_qs;
    }
    void dictionaryInUse()
    {
        QFETCH(QString, analyzer);
        QFETCH(QString, dicdir);
        QFETCH(QString, credit);
        const QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("kotokarc"), "dicdir " + dictionary(dicdir).toUtf8() + "\n"));
        const yomika::DictionaryInUse inUse = yomika::dictionaryInUse(analyzer, dir.filePath("kotokarc"));
        QCOMPARE(yomika::dictionaryCredit(inUse), credit.replace(u'@', m_dir.path()));
        QCOMPARE(inUse.folder, analyzer.startsWith(u"/nonexistent") ? QString() : dictionary(dicdir));
    }

    // The program's resource file, then the user's own kotokarc, then the
    // command line; relative files start at the folder of their resource
    // file, or at the working folder for the command line. "@" stands for
    // the folder of the small dictionaries.
    void settingsInOrder_data()
    {
        QTest::addColumn<QByteArray>("programRc");
        QTest::addColumn<QByteArray>("userRc"); // empty: none; "/": a folder
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("expected"); // %m/%y of 京都東京, or what the message says
        const QByteArray ipadic = "dicdir @/ipadic\n", known = "京都/キョウト\n東京/トウキョウ\nEOS\n";
        QTest::newRow("the program's") << QByteArray("dicdir = @/ipadic\nuserdic = a/list.csv\n") << QByteArray()
                                       << QStringList() << 0 << known;
        QTest::newRow("the user's wins") << QByteArray("dicdir @/ipadic\nuserdic = a/list.csv\n")
                                         << QByteArray("dicdir = @/unidic\nuserdic = \" b.csv , mine/list.csv\"\n")
                                         << QStringList() << 0 << QByteArray("京都/ミヤコ\n東京/トウキョウ\nEOS\n");
        QTest::newRow("the command line wins") << ipadic << QByteArray("dicdir @/other\nuserdic = none.csv\n")
                                               << QStringList{"-d", "@/unidic", "-u", "b.csv"} << 0 << known;
        // Not a folder beside the resource file, nor in the working folder: the
        // name of the program's own IPADIC, which knows 京都.
        QTest::newRow("a name") << QByteArray("dicdir ipadic\n") << QByteArray("dicdir = \"\"\n")
                                << QStringList{"-d", "ipadic"} << 0 << known;
        QTest::newRow("the user's names no folder") << ipadic << QByteArray("dicdir = \"\"\n") << QStringList()
                                                    << exitCode(ExitStatus::ResourceIncomplete)
                                                    << QByteArray("yomika/kotokarc names no folder");
        QTest::newRow("the user's is a folder") << ipadic << QByteArray("/") << QStringList()
                                                << exitCode(ExitStatus::ResourceUnreadable)
                                                << QByteArray("yomika/kotokarc cannot be read");
        // --dictionary names the layout and the folder a run would take.
        QTest::newRow("--dictionary") << ipadic << QByteArray("dicdir = @/unidic\n") << QStringList{"--dictionary"} << 0
                                      << QByteArray("UniDic\t@/unidic\n");
        QTest::newRow("-d names no folder") << ipadic << QByteArray() << QStringList{"-d", ""}
                                            << exitCode(ExitStatus::ResourceIncomplete)
                                            << QByteArray("option -d names no folder");
    }
    void settingsInOrder()
    {
        QFETCH(QByteArray, programRc);
        QFETCH(QByteArray, userRc);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QByteArray, expected);
        const QTemporaryDir dir;
        const QString config = dir.filePath("config");
        // The program's subfolder of the user's configuration folder.
#ifdef Q_OS_WIN
        const QString mine = config + "/Yomika";
        expected.replace("yomika/kotokarc", "Yomika\\kotokarc");
#else
        const QString mine = config + "/yomika";
#endif
        const QByteArray dics = m_dir.path().toUtf8();
        QVERIFY(writeFile(dir.filePath("rc/kotokarc"), programRc.replace('@', dics))
                && writeFile(dir.filePath("rc/a/list.csv"), "京都,キョウト\n")
                && writeFile(mine + "/mine/list.csv", "京都,ミヤコ\n") && writeFile(mine + "/b.csv", "")
                && writeFile(dir.filePath("b.csv"), "京都,キョウト\n"));
        if (userRc == "/")
            QVERIFY(QDir().mkpath(mine + "/kotokarc"));
        else if (!userRc.isEmpty())
            QVERIFY(writeFile(mine + "/kotokarc", userRc.replace('@', dics)));
        arguments.replaceInStrings("@", m_dir.path());
        const ProgramRun result = runProgram(QStringList{KOTOKA_PROGRAM, "-r", "rc/kotokarc", "-F", "%m/%y\\n"} + arguments,
                                             dir.path(), "京都東京\n", config);
        QVERIFY2(result.status == status, result.err);
        expected.replace('@', dics);
        if (status == exitCode(ExitStatus::Success))
            QCOMPARE(result.out, expected);
        else
            QVERIFY2(result.err.contains(expected), result.err);
    }
};

QTEST_GUILESS_MAIN(DictionariesTest)
#include "dictionaries_test.moc"
