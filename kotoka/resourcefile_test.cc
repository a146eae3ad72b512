#include <QTest>

#include "kotoka/resourcefile.h"

class ResourceFileTest : public QObject {
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
};

void ResourceFileTest::reads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("dicdir");
    QTest::addColumn<QString>("error"); // the start of the message

    const QString none;
    QTest::newRow("as the window fills it") << u"# note\ndicdir /opt/yomika/dic/ipadic\n"_qs
                                            << u"/opt/yomika/dic/ipadic"_qs << none;
    QTest::newRow("CR LF and blanks") << u"\r\n  dicdir\t /d/ipadic  \r\n"_qs << u"/d/ipadic"_qs << none;
    QTest::newRow("lone CR line ends") << u"; note\rdicdir /d/ipadic\r"_qs << u"/d/ipadic"_qs << none;
    QTest::newRow("name = value") << u"dicdir = /d/ipadic"_qs << u"/d/ipadic"_qs << none;
    QTest::newRow("name=value") << u"dicdir=/d/ipadic"_qs << u"/d/ipadic"_qs << none;
    QTest::newRow("quoted, with blanks") << u"dicdir \"/my dic/ipadic\"\n"_qs << u"/my dic/ipadic"_qs << none;
    QTest::newRow("relative to the resource file") << u"dicdir ipadic"_qs << u"/app/dic/ipadic"_qs << none;
    QTest::newRow("other names passed over") << u"userdic x\ndicdir /d\n"_qs << u"/d"_qs << none;
    QTest::newRow("the first dicdir counts") << u"dicdir /one\ndicdir /two\n"_qs << u"/one"_qs << none;
    QTest::newRow("byte-order mark") << u"\uFEFFdicdir /d"_qs << u"/d"_qs << none;
    QTest::newRow("Japanese folder") << u"dicdir /ホーム/辞書"_qs << u"/ホーム/辞書"_qs << none;
    QTest::newRow("placeholder not filled") << u"dicdir %KOTDIC%/ipadic\n"_qs << QString()
                                            << u"the resource file /app/dic/kotokarc still holds"_qs;
    QTest::newRow("placeholder in a comment is no dicdir") << u"# %KOTDIC%\n"_qs << QString()
                                                           << u"the resource file /app/dic/kotokarc has no dicdir"_qs;
    QTest::newRow("empty file") << QString() << QString() << u"the resource file /app/dic/kotokarc has no dicdir"_qs;
    QTest::newRow("dicdir without value") << u"dicdir   \n"_qs << QString()
                                          << u"the dicdir line of the resource file /app/dic/kotokarc names no"_qs;
    QTest::newRow("a longer name is not dicdir") << u"dicdirs /d"_qs << QString()
                                                 << u"the resource file /app/dic/kotokarc has no dicdir"_qs;
}

void ResourceFileTest::reads()
{
    QFETCH(QString, text);
    QFETCH(QString, dicdir);
    QFETCH(QString, error);
    const kotoka::ResourceSettings settings = kotoka::parseResourceFile(text.toStdString(), "/app/dic/kotokarc");
    QCOMPARE(QString::fromStdString(settings.dicdir), dicdir);
    QVERIFY2(QString::fromStdString(settings.error).startsWith(error), settings.error.c_str());
    QCOMPARE(settings.error.empty(), error.isEmpty());
}

QTEST_GUILESS_MAIN(ResourceFileTest)
#include "resourcefile_test.moc"
