#include <QTest>

#include "core/analysis/optionstring.h"

using namespace yomika;

class OptionStringTest : public QObject {
    Q_OBJECT
private slots:
    void optionStringAndHistory();
};

void OptionStringTest::optionStringAndHistory()
{
    // The fields ("101000": surface form and reading), the delimiter box's text, the option.
    const QString rows[][3] = {
        {"111111", u"(タブ)"_qs, "-F \"%m\\t%M\\t%y1\\t%a1\\t%U(%P-)\\t%T \\t%F \\n\""},
        {"000011", u"(空白)"_qs, "-F \"%U(%P-) %T  %F \\n\""}, // the inflection's blank stays
        {"101000", u"(改行)"_qs, "-F \"%m\\n%y1\\n\""},
        {"110000", u"(タブ) "_qs, u"-F \"%m(タブ) %M\\n\""_qs}, // a near miss is typed text
        {"000101", "", "-F \"%a1%T %F \\n\""},
        {"000000", u"(タブ)"_qs, ""},
    };
    for (const auto& [fields, delimiter, expected] : rows) {
        FieldSet set{};
        for (int i = 0; i < int(set.size()); ++i)
            set[i] = fields[i] == u'1';
        QCOMPARE(buildOptionString(set, delimiter), expected);
    }
    // The history: put on top, once; blanks and case count; an empty text changes nothing.
    const QStringList history{"b", "a", "A", "a", "a "};
    QCOMPARE(recordOptionHistory(history, "a"), QStringList({"a", "b", "A", "a "}));
    QCOMPARE(recordOptionHistory(history, ""), history);
}

QTEST_GUILESS_MAIN(OptionStringTest)
#include "optionstring_test.moc"
