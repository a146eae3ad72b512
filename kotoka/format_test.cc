#include <QTest>

#include "kotoka/format.h"

using kotoka::Format;
using kotoka::Morpheme;

namespace {

QString toQString(const std::string& text)
{
    return QString::fromStdString(text);
}

// Real IPADIC entries, as the engine hands them over.
const Morpheme tokyo{"東京", "名詞,固有名詞,地域,一般,*,*,東京,トウキョウ,トーキョー", false};
const Morpheme itta{"行っ", "動詞,自立,*,*,五段・カ行促音便,連用タ接続,行く,イッ,イッ", false};
const Morpheme unknownWord{"ぴょこたん", "名詞,一般,*,*,*,*,*", true};
const Morpheme shortKnown{"，", "記号,読点,*,*,*,*", false};
const Morpheme quoted{"a,b", "記号,一般,*,*,*,*,\"a,b\",\"エー\"\"\",エー", false};

} // namespace

class FormatTest : public QObject {
    Q_OBJECT

private slots:
    void rendersFields_data();
    void rendersFields();
    void lineEndIsThePlatforms();
    void rejectsMalformed_data();
    void rejectsMalformed();
};

void FormatTest::rendersFields_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("which"); // 0 tokyo, 1 itta, 2 unknown, 3 short known, 4 quoted
    QTest::addColumn<QString>("expected");

    const QString all = QString::fromUtf8(kotoka::defaultFormat.data(), kotoka::defaultFormat.size());
    QTest::newRow("default, noun") << all << 0
        << u"東京\t東京\tトウキョウ\tトーキョー\t名詞-固有名詞-地域-一般\t \t \n"_qs;
    QTest::newRow("default, verb") << all << 1
        << u"行っ\t行く\tイッ\tイッ\t動詞-自立\t五段・カ行促音便\t連用タ接続\n"_qs;
    QTest::newRow("default, unknown") << all << 2
        << u"ぴょこたん\tぴょこたん\tぴょこたん\tぴょこたん\t未知語\t \t \n"_qs;
    QTest::newRow("entry without base form and reading") << all << 3
        << u"，\t，\t，\t，\t記号-読点\t \t \n"_qs;
    QTest::newRow("quoted fields") << u"%M|%y|%a"_qs << 4 << u"a,b|エー\"|エー"_qs;
    QTest::newRow("short forms of reading and pronunciation") << u"%y/%y1/%a/%a1"_qs << 0
        << u"トウキョウ/トウキョウ/トーキョー/トーキョー"_qs;
    QTest::newRow("%P with any joiner") << u"%P/ %P\\t %P　"_qs << 1
        << u"動詞/自立 動詞\t自立 動詞　自立"_qs;
    QTest::newRow("%P of an unknown word outside %U") << u"%P-"_qs << 2 << u"名詞-一般"_qs;
    QTest::newRow("%U shows its text for a known word") << u"[%U(%m:%P-)]"_qs << 0
        << u"[東京:名詞-固有名詞-地域-一般]"_qs;
    QTest::newRow("%U replaces its text for an unknown word") << u"[%U(%m:%P-)]"_qs << 2 << u"[未知語]"_qs;
    QTest::newRow("nested %U") << u"%U(a%U(b)c)d"_qs << 0 << u"abcd"_qs;
    QTest::newRow("nested %U, unknown") << u"%U(a%U(b)c)d"_qs << 2 << u"未知語d"_qs;
    QTest::newRow(") outside %U is text") << u"(%m)"_qs << 0 << u"(東京)"_qs;
    QTest::newRow("%P takes ) as its joiner") << u"%U(%P))"_qs << 0 << u"名詞)固有名詞)地域)一般"_qs;
    QTest::newRow("%T and %F of a verb") << u"%T*%F*"_qs << 1 << u"五段・カ行促音便連用タ接続"_qs;
    QTest::newRow("%T and %F stand-ins") << u"%T*|%F_"_qs << 0 << u"*|_"_qs;
    QTest::newRow("%T and %F of an unknown word") << u"%T*|%F_"_qs << 2 << u"*|_"_qs;
    QTest::newRow("escapes and percent") << u"%%\\t\\\\\\\"%m"_qs << 0 << u"%\t\\\"東京"_qs;
    QTest::newRow("literal text in Japanese") << u"語=%m、"_qs << 0 << u"語=東京、"_qs;
    QTest::newRow("empty format") << QString() << 0 << QString();
}

void FormatTest::rendersFields()
{
    QFETCH(QString, format);
    QFETCH(int, which);
    QFETCH(QString, expected);
    const Morpheme morphemes[] = {tokyo, itta, unknownWord, shortKnown, quoted};

    std::string error;
    const auto compiled = Format::compile(format.toStdString(), "\n", error);
    QVERIFY2(compiled, error.c_str());
    std::string out = "before:";
    compiled->render(morphemes[which], out);
    QCOMPARE(toQString(out), u"before:"_qs + expected);
}

void FormatTest::lineEndIsThePlatforms()
{
    // What \n writes is given by the caller: CR LF on Windows.
    std::string error;
    const auto compiled = Format::compile("%m\\n%T\\n", "\r\n", error);
    QVERIFY(compiled);
    std::string out;
    compiled->render(tokyo, out);
    QCOMPARE(toQString(out), u"東京\r\n\r\n"_qs);
}

void FormatTest::rejectsMalformed_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown directive") << u"%m%q"_qs << u"position 3: unknown directive %q"_qs;
    QTest::newRow("unknown directive after Japanese") << u"日本%ｚ"_qs << u"position 3: unknown directive %ｚ"_qs;
    QTest::newRow("MeCab's %f is not ours") << u"%f[7]"_qs << u"position 1: unknown directive %f"_qs;
    QTest::newRow("percent at the end") << u"%m%"_qs << u"position 3: a percent sign ends"_qs;
    QTest::newRow("%U without parenthesis") << u"x%Um"_qs << u"position 2: %U must be followed by ("_qs;
    QTest::newRow("%U at the end") << u"%U"_qs << u"position 1: %U must be followed by ("_qs;
    QTest::newRow("%U( unclosed") << u"%m %U(%P-"_qs << u"position 4: %U( has no closing parenthesis"_qs;
    QTest::newRow("outer %U( unclosed") << u"%U(%U(%m)"_qs << u"position 1: %U( has no closing"_qs;
    QTest::newRow("%P eats the closing parenthesis") << u"%U(%P)"_qs << u"position 1: %U( has no closing"_qs;
    QTest::newRow("%P at the end") << u"%m%P"_qs << u"position 3: %P needs a character"_qs;
    QTest::newRow("%T at the end") << u"%T"_qs << u"position 1: %T needs a character"_qs;
    QTest::newRow("%F with a bad escape") << u"%F\\q"_qs << u"position 3: unknown escape \\q"_qs;
    QTest::newRow("unknown escape") << u"%m\\r"_qs << u"position 3: unknown escape \\r"_qs;
    QTest::newRow("backslash at the end") << u"%m\\"_qs << u"position 3: a backslash ends"_qs;
}

void FormatTest::rejectsMalformed()
{
    QFETCH(QString, format);
    QFETCH(QString, message);
    std::string error;
    QVERIFY(!Format::compile(format.toStdString(), "\n", error));
    QVERIFY2(toQString(error).startsWith(u"malformed format at "_qs + message), error.c_str());
}

QTEST_GUILESS_MAIN(FormatTest)
#include "format_test.moc"
