#include <QTest>

#include "core/optionstring.h"

using namespace yomika;

namespace {

// "101010" sets surface form, reading and part of speech.
FieldSet fieldsFrom(const QString& marks)
{
    FieldSet fields{};
    for (int i = 0; i < int(fields.size()); ++i)
        fields[i] = marks.at(i) == QLatin1Char('1');
    return fields;
}

} // namespace

class OptionStringTest : public QObject {
    Q_OBJECT
private slots:
    void delimiterFor_data();
    void delimiterFor();
    void buildOptionString_data();
    void buildOptionString();
    void recordOptionHistory_data();
    void recordOptionHistory();
};

void OptionStringTest::delimiterFor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delimiter");
    QTest::newRow("tab") << QStringLiteral(u"(タブ)") << QStringLiteral("\\t");
    QTest::newRow("blank") << QStringLiteral(u"(空白)") << QStringLiteral(" ");
    QTest::newRow("newline") << QStringLiteral(u"(改行)") << QStringLiteral("\\n");
    QTest::newRow("comma") << QStringLiteral(",") << QStringLiteral(",");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("typed text") << QStringLiteral(u" / ") << QStringLiteral(u" / ");
    QTest::newRow("Japanese comma") << QStringLiteral(u"、") << QStringLiteral(u"、");
    // Exact comparison: near misses stand as they are.
    QTest::newRow("tab with trailing blank") << QStringLiteral(u"(タブ) ") << QStringLiteral(u"(タブ) ");
    QTest::newRow("full-width parentheses") << QStringLiteral(u"（タブ）") << QStringLiteral(u"（タブ）");
    QTest::newRow("typed backslash-t") << QStringLiteral("\\t") << QStringLiteral("\\t");
    QTest::newRow("real tab character") << QStringLiteral("\t") << QStringLiteral("\t");
}

void OptionStringTest::delimiterFor()
{
    QFETCH(QString, text);
    QFETCH(QString, delimiter);
    QCOMPARE(yomika::delimiterFor(text), delimiter);
}

void OptionStringTest::buildOptionString_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("expected");
    const QString tab = QStringLiteral(u"(タブ)");
    QTest::newRow("window design") << "100000" << tab << QStringLiteral("-F \"%m\\n\"");
    QTest::newRow("three, tab") << "101010" << tab << QStringLiteral("-F \"%m\\t%y1\\t%U(%P-)\\n\"");
    QTest::newRow("three, blank") << "101010" << QStringLiteral(u"(空白)") << QStringLiteral("-F \"%m %y1 %U(%P-)\\n\"");
    QTest::newRow("three, newline") << "101010" << QStringLiteral(u"(改行)") << QStringLiteral("-F \"%m\\n%y1\\n%U(%P-)\\n\"");
    QTest::newRow("three, comma") << "101010" << "," << QStringLiteral("-F \"%m,%y1,%U(%P-)\\n\"");
    QTest::newRow("base form alone") << "010000" << tab << QStringLiteral("-F \"%M\\n\"");
    QTest::newRow("pronunciation alone") << "000100" << tab << QStringLiteral("-F \"%a1\\n\"");
    QTest::newRow("inflection alone, tab") << "000001" << tab << QStringLiteral("-F \"%T \\t%F \\n\"");
    QTest::newRow("inflection alone, blank keeps three blanks") << "000001" << QStringLiteral(u"(空白)")
                                                                << QStringLiteral("-F \"%T  %F \\n\"");
    QTest::newRow("inflection after part of speech") << "000011" << ","
                                                     << QStringLiteral("-F \"%U(%P-),%T ,%F \\n\"");
    QTest::newRow("all six, tab") << "111111" << tab
                                  << QStringLiteral("-F \"%m\\t%M\\t%y1\\t%a1\\t%U(%P-)\\t%T \\t%F \\n\"");
    QTest::newRow("emptied delimiter") << "110000" << QString() << QStringLiteral("-F \"%m%M\\n\"");
    QTest::newRow("emptied delimiter, inflection") << "000001" << QString() << QStringLiteral("-F \"%T %F \\n\"");
    QTest::newRow("typed delimiter") << "110000" << QStringLiteral(u" ／ ") << QStringLiteral(u"-F \"%m ／ %M\\n\"");
    QTest::newRow("no box, tab") << "000000" << tab << QString();
    QTest::newRow("no box, typed text") << "000000" << QStringLiteral("xyz") << QString();
}

void OptionStringTest::buildOptionString()
{
    QFETCH(QString, fields);
    QFETCH(QString, delimiter);
    QFETCH(QString, expected);
    const QString built = yomika::buildOptionString(fieldsFrom(fields), delimiter);
    QCOMPARE(built, expected);
    // "No option" is the empty string, never a null-versus-empty surprise for callers comparing.
    QCOMPARE(built.isEmpty(), expected.isEmpty());
}

void OptionStringTest::recordOptionHistory_data()
{
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    const QString m = QStringLiteral("-F \"%m\\n\"");
    const QString a = QStringLiteral("-F \"%M\\n\"");
    const QString b = QStringLiteral("-F \"%y1\\n\"");
    QTest::newRow("first entry") << QStringList() << m << QStringList{m};
    QTest::newRow("new goes on top") << QStringList{a, b} << m << QStringList{m, a, b};
    QTest::newRow("third moves to top") << QStringList{a, b, m, QStringLiteral("x")} << m
                                        << QStringList{m, a, b, QStringLiteral("x")};
    QTest::newRow("already on top") << QStringList{m, a} << m << QStringList{m, a};
    QTest::newRow("loaded twice, kept once") << QStringList{a, m, b, m} << m << QStringList{m, a, b};
    QTest::newRow("empty text changes nothing") << QStringList{a, a, b} << QString() << QStringList{a, a, b};
    QTest::newRow("blank is not empty") << QStringList{a} << QStringLiteral(" ") << QStringList{QStringLiteral(" "), a};
    QTest::newRow("case counts") << QStringList{QStringLiteral("-f \"%m\\n\"")} << m
                                 << QStringList{m, QStringLiteral("-f \"%m\\n\"")};
    QTest::newRow("trailing blank counts") << QStringList{m + QLatin1Char(' ')} << m
                                           << QStringList{m, m + QLatin1Char(' ')};
    QTest::newRow("Japanese text") << QStringList{QStringLiteral(u"辞書")} << QStringLiteral(u"辞書 -a")
                                   << QStringList{QStringLiteral(u"辞書 -a"), QStringLiteral(u"辞書")};
}

void OptionStringTest::recordOptionHistory()
{
    QFETCH(QStringList, history);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(yomika::recordOptionHistory(history, text), expected);
}

QTEST_GUILESS_MAIN(OptionStringTest)
#include "optionstring_test.moc"
