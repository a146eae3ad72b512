#include <QTest>

#include "gui/exacttextedit.h"

using yomika::ExactTextEdit;

namespace {

// What the document should hold for an exact text: one U+2029 for each line
// end, worked out here independently of the pane.
QString documentForm(const QString& text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\u2029"));
    for (QChar end : {QChar(u'\r'), QChar(u'\n'), QChar(0xFDD0), QChar(0xFDD1)})
        out.replace(end, QChar(0x2029));
    return out;
}

// The pane holds `text` exactly, and positions map both ways in order.
void checkPane(const ExactTextEdit& edit, const QString& text)
{
    QCOMPARE(edit.text(), text);
    QCOMPARE(edit.textLength(), text.size());
    const QString inDocument = documentForm(text);
    QCOMPARE(edit.document()->toRawText(), inDocument);
    qsizetype previous = -1;
    for (int p = 0; p <= inDocument.size(); ++p) {
        const qsizetype e = edit.exactFromDocument(p);
        QVERIFY(e > previous);
        QCOMPARE(edit.documentFromExact(e), p);
        previous = e;
    }
    QCOMPARE(previous, text.size());
}

} // namespace

class ExactTextEditTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("CR LF, LF and CR lines") << QStringLiteral("\na\nb\rc\r\r\nd\n\re\r");
        QTest::newRow("separators and no-break space") << QStringLiteral("\u2029a\u2028b\u00A0\u2029\uFDD0\uFDD1");
        QTest::newRow("outside the BMP") << QStringLiteral("𠮷野家で😀を\r\n𩸽");
    }
    void roundTrip()
    {
        QFETCH(QString, text);
        ExactTextEdit edit;
        edit.setText(QStringLiteral("previous\r\ntext\n"));
        edit.setText(text);
        checkPane(edit, text);
    }

    // Exact text a b CR LF c CR CR LF d; document a b ¶ c ¶ ¶ d. The exact
    // positions inside a CR LF, after it, of a CR LF after a CR, past the
    // end and negative, mapped to the document and back.
    void positionMapping()
    {
        ExactTextEdit edit;
        edit.setText(QStringLiteral("ab\r\nc\r\r\nd"));
        QList<std::pair<int, qsizetype>> mapped;
        for (const qsizetype exact : {3, 4, 6, 40, -5})
            mapped.append({edit.documentFromExact(exact), edit.exactFromDocument(edit.documentFromExact(exact))});
        QCOMPARE(mapped, (QList<std::pair<int, qsizetype>>{{2, 2}, {3, 4}, {5, 6}, {7, 9}, {0, 0}}));
    }
};

QTEST_MAIN(ExactTextEditTest)
#include "exacttextedit_test.moc"
