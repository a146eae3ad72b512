// The window as the user first meets it: controls, menus, keys, layout.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCompleter>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/scriptedprompter.h"
#include "gui/exacttextedit.h"
#include "gui/mainwindow.h"
#include "gui/widgets.h"

using namespace yomika;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_window;

    template <typename T>
    T* child(const char16_t* name) const
    {
        T* found = m_window->findChild<T*>(QString::fromUtf16(name));
        if (!found)
            qWarning() << "no child named" << QString::fromUtf16(name);
        return found;
    }

    QRect twipRect(int left, int top, int width, int height) const
    {
        return QRect(m_window->twipsToPixels(left), m_window->twipsToPixels(top),
                     m_window->twipsToPixels(width), m_window->twipsToPixels(height));
    }

private slots:
    void init()
    {
        m_window = std::make_unique<MainWindow>(m_dir.path(),
                                                std::make_unique<testsupport::ScriptedPrompter>());
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void controlsCarryTheirDesignValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("AnalyzeAll") << "AnalyzeAll" << "全文解析" << QRect(60, 60, 1095, 375);
        QTest::newRow("AnalyzePartial") << "AnalyzePartial" << "部分解析" << QRect(60, 480, 1095, 375);
        QTest::newRow("Clear") << "Clear" << "クリア" << QRect(60, 900, 1095, 375);
        QTest::newRow("Surface") << "Surface" << "表層語" << QRect(120, 1320, 1100, 375);
        QTest::newRow("BaseForm") << "BaseForm" << "基本形" << QRect(1320, 1320, 1100, 375);
        QTest::newRow("Reading") << "Reading" << "読み" << QRect(2520, 1320, 900, 375);
        QTest::newRow("Pronounciation") << "Pronounciation" << "発音" << QRect(3660, 1320, 900, 375);
        QTest::newRow("PartOfSpeech") << "PartOfSpeech" << "品詞" << QRect(4800, 1320, 900, 375);
        QTest::newRow("Inflection") << "Inflection" << "活用" << QRect(5940, 1320, 900, 375);
        QTest::newRow("Delimiter") << "Delimiter" << "(タブ)" << QRect(7620, 1320, 1200, 360);
        QTest::newRow("OptionList") << "OptionList" << "-F \"%m\"" << QRect(1260, 1740, 7560, 360);
        QTest::newRow("Sentence") << "Sentence"
                                  << "クリアを押してから文を入力してください。\r\n"
                                     "ドラッグ＆ドロップでファイルからテキストをコピーできます。\r\n"
                                  << QRect(1260, 60, 7560, 1215);
        QTest::newRow("Result") << "Result" << "" << QRect(60, 2160, 8760, 4530);
        QTest::newRow("区切り") << "区切り" << "区切り" << QRect(6840, 1380, 735, 255);
        QTest::newRow("Label1") << "Label1" << "オプション" << QRect(120, 1800, 1035, 255);
    }
    void controlsCarryTheirDesignValues()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QWidget* w = m_window->findChild<QWidget*>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(w->geometry(), twipRect(twips.x(), twips.y(), twips.width(), twips.height()));
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            text = b->text();
        else if (auto* c = qobject_cast<QComboBox*>(w))
            text = c->currentText();
        else if (auto* e = qobject_cast<ExactTextEdit*>(w))
            text = e->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            text = l->text();
        QCOMPARE(text, caption);
    }

    void initialStateOfTheChoices()
    {
        const char16_t* boxes[] = {u"Surface", u"BaseForm", u"Reading",
                                   u"Pronounciation", u"PartOfSpeech", u"Inflection"};
        for (const char16_t* name : boxes) {
            auto* box = child<QCheckBox>(name);
            QVERIFY(box);
            QCOMPARE(box->checkState(), name == boxes[0] ? Qt::Checked : Qt::Unchecked);
        }
        auto* delimiter = child<QComboBox>(u"Delimiter");
        QCOMPARE(delimiter->count(), 4);
        const QStringList items{"(タブ)", "(空白)", "(改行)", ","};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(delimiter->itemText(i), items[i]);
        QCOMPARE(child<QComboBox>(u"OptionList")->count(), 0);
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(u"AnalyzeAll"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Yomika2000"));
    }

    void menusHoldTheirItemsInOrder()
    {
        const QMenuBar* bar = m_window->menuBar();
        QStringList seen;
        for (QAction* top : bar->actions()) {
            QMenu* menu = top->menu();
            QVERIFY(menu);
            seen << menu->objectName() + u'=' + top->text();
            for (QAction* item : menu->actions())
                seen << QStringLiteral("  %1=%2=%3").arg(item->objectName(),
                                                         item->isSeparator() ? QStringLiteral("-") : item->text(),
                                                         item->shortcut().toString());
        }
        const QStringList expected{
            "ファイル=ファイル(&U)",
            "  開く=テキストファイルを開く(&O)...=Ctrl+O",
            "  保存=解析結果を名前を付けて保存(&S)...=Ctrl+S",
            "  line5=-=",
            "  指定=追加ファイルの指定(&T)...=",
            "  追加=解析結果をファイルへ追加(&W)=Ctrl+W",
            "  line1=-=",
            "  終了=終了(&X)=",
            "編集=編集(&E)",
            "  元に戻す=元に戻す(&U)=Ctrl+Z",
            "  やり直し=やり直し(&R)=Ctrl+Y",
            "  line3=-=",
            "  切り取り=切り取り(&T)=Ctrl+X",
            "  コピー=コピー(&C)=Ctrl+C",
            "  貼り付け=貼り付け(&P)=Ctrl+V",
            "  line2=-=",
            "  すべて選択=すべて選択(&A)=Ctrl+A",
            "  line4=-=",
            "  解析結果をコピー=解析結果をコピー(&I)=Ctrl+I",
            "  文を貼り付け=文を貼り付け(&J)=Ctrl+J",
            "解析=解析(&A)",
            "  全文解析=全文解析(&E)=Ctrl+E",
            "  部分解析=部分解析(&P)=Ctrl+P",
            "  line6=-=",
            "  クリア=クリア(&C)=Ctrl+L",
            "ヘルプ=ヘルプ(&H)",
            "  Readme=Readmeを表示(&R)=F1",
            "  バージョン=バージョン情報(&A)...=",
        };
        QCOMPARE(seen, expected);
        for (QAction* top : bar->actions()) {
            for (QAction* item : top->menu()->actions()) {
                QVERIFY(item->isEnabled());
                QVERIFY(item->isVisible());
                QVERIFY(!item->isCheckable());
            }
        }
    }

    void tabMovesAlongTheTabOrderFromEveryControl()
    {
        const char16_t* order[] = {u"AnalyzeAll", u"AnalyzePartial", u"Clear", u"Sentence",
                                   u"Surface", u"BaseForm", u"Reading", u"Pronounciation",
                                   u"PartOfSpeech", u"Inflection", u"Delimiter", u"OptionList",
                                   u"Result", u"AnalyzeAll"};
        child<QWidget>(order[0])->setFocus();
        for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
            QWidget* from = QApplication::focusWidget();
            QTest::keyClick(from, Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            // An editable combo box gives the keyboard focus to its line edit.
            if (now && qobject_cast<QComboBox*>(now->parentWidget()))
                now = now->parentWidget();
            QCOMPARE(now ? now->objectName() : QString(), QString::fromUtf16(order[i + 1]));
        }
        // Tab was never taken as text by a pane.
        QVERIFY(!child<ExactTextEdit>(u"Sentence")->text().contains(u'\t'));
        QVERIFY(!child<ExactTextEdit>(u"Result")->text().contains(u'\t'));
    }

    void layoutFollowsTheClientArea()
    {
        QWidget* client = m_window->centralWidget();
        QCOMPARE(client->size(), QSize(m_window->twipsToPixels(8880), m_window->twipsToPixels(6750)));
        auto* sentence = child<QWidget>(u"Sentence");
        auto* options = child<QWidget>(u"OptionList");
        auto* result = child<QWidget>(u"Result");
        auto* delimiter = child<QWidget>(u"Delimiter");
        const QRect s0 = sentence->geometry(), o0 = options->geometry(), r0 = result->geometry(),
                    d0 = delimiter->geometry();

        const int wider = m_window->twipsToPixels(1500);
        m_window->resize(m_window->width() + wider, m_window->height());
        QTRY_COMPARE(result->width(), r0.width() + wider);
        QCOMPARE(sentence->geometry(), s0.adjusted(0, 0, wider, 0));
        QCOMPARE(options->geometry(), o0.adjusted(0, 0, wider, 0));
        QCOMPARE(result->geometry(), r0.adjusted(0, 0, wider, 0));
        QCOMPARE(delimiter->geometry(), d0);

        const int taller = m_window->twipsToPixels(900);
        m_window->resize(m_window->width(), m_window->height() + taller);
        QTRY_COMPARE(result->height(), r0.height() + taller);
        QCOMPARE(sentence->height(), s0.height());

        // Below the smallest size the sizes stop at zero; growing again
        // brings the rule back.
        m_window->resize(5, 60);
        QTRY_COMPARE(client->width(), 5);
        QCOMPARE(result->size(), QSize(0, 0));
        QCOMPARE(sentence->width(), 0);
        m_window->resize(m_window->width() + 2000, m_window->height() + 2000);
        QTRY_VERIFY(result->width() > 0);
        const int m = m_window->twipsToPixels(60);
        QCOMPARE(result->width(), client->width() - result->x() - m);
        QCOMPARE(result->height(), client->height() - result->y() - m);
        QCOMPARE(sentence->width(), client->width() - sentence->x() - m);
    }

    void captionShowsTheAppendFile()
    {
        m_window->updateCaption();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Yomika"));
    }

    void checkBoxClickReachesOnlyTwoStates()
    {
        auto* box = child<QCheckBox>(u"Reading");
        box->setCheckState(Qt::PartiallyChecked);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->checkState(), Qt::Checked);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->checkState(), Qt::Unchecked);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->checkState(), Qt::Checked);
    }

    void choicesRebuildTheOptionString()
    {
        auto* options = child<QComboBox>(u"OptionList");
        auto* delimiter = child<LineComboBox>(u"Delimiter");
        QTest::mouseClick(child<QCheckBox>(u"Reading"), Qt::LeftButton);
        QCOMPARE(options->currentText(), QStringLiteral("-F \"%m\\t%y1\\n\""));
        delimiter->setCurrentIndex(1); // picking "(空白)"
        QCOMPARE(options->currentText(), QStringLiteral("-F \"%m %y1\\n\""));
        delimiter->setFocus();
        delimiter->lineEdit()->selectAll();
        QTest::keyClicks(delimiter->lineEdit(), QStringLiteral("/"));
        QCOMPARE(options->currentText(), QStringLiteral("-F \"%m/%y1\\n\""));
        // Greyed counts as set.
        child<QCheckBox>(u"Inflection")->setCheckState(Qt::PartiallyChecked);
        QCOMPARE(options->currentText(), QStringLiteral("-F \"%m/%y1/%T /%F \\n\""));
        // A hand edit lasts until the next change of a choice.
        options->setEditText(QStringLiteral("-F \"%m\\n\" -x"));
        QTest::mouseClick(child<QCheckBox>(u"BaseForm"), Qt::LeftButton);
        QCOMPARE(options->currentText(), QStringLiteral("-F \"%m/%M/%y1/%T /%F \\n\""));
    }

    void comboBoxesKeepTheTextExactly()
    {
        auto* options = child<LineComboBox>(u"OptionList");
        QVERIFY(!options->completer());
        options->addItem(QStringLiteral("-F \"%M\\n\""));
        options->setFocus();
        options->lineEdit()->selectAll();
        QTest::keyClicks(options->lineEdit(), QStringLiteral("-f"));
        QCOMPARE(options->currentText(), QStringLiteral("-f")); // no completion from "-F ..."
        QTest::keyClick(options->lineEdit(), Qt::Key_Return);
        QCOMPARE(options->count(), 1); // Enter adds nothing
        const QString longText(40000, u'x');
        options->setText(longText);
        QCOMPARE(options->currentText(), longText); // no length limit
        options->setText(QStringLiteral("a\r\nb\nc\rd"));
        QCOMPARE(options->currentText(), QStringLiteral("a  b c d"));
    }

    void menuShortcutsWinOverTheFocusedControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        const int ctrl = Qt::ControlModifier;
        const QString controls[] = {"Sentence", "Result", "OptionList", "Delimiter"};
        for (const QString& c : controls) {
            QTest::addRow("%s Ctrl+C", qPrintable(c)) << c << "コピー" << int(Qt::Key_C) << ctrl;
            QTest::addRow("%s Ctrl+V", qPrintable(c)) << c << "貼り付け" << int(Qt::Key_V) << ctrl;
            QTest::addRow("%s Ctrl+X", qPrintable(c)) << c << "切り取り" << int(Qt::Key_X) << ctrl;
            QTest::addRow("%s Ctrl+A", qPrintable(c)) << c << "すべて選択" << int(Qt::Key_A) << ctrl;
            QTest::addRow("%s Ctrl+Z", qPrintable(c)) << c << "元に戻す" << int(Qt::Key_Z) << ctrl;
            QTest::addRow("%s Ctrl+Y", qPrintable(c)) << c << "やり直し" << int(Qt::Key_Y) << ctrl;
            QTest::addRow("%s Shift+Insert", qPrintable(c))
                << c << "貼り付け" << int(Qt::Key_Insert) << int(Qt::ShiftModifier);
            QTest::addRow("%s Ctrl+Insert", qPrintable(c))
                << c << "コピー" << int(Qt::Key_Insert) << ctrl;
            QTest::addRow("%s Shift+Delete", qPrintable(c))
                << c << "切り取り" << int(Qt::Key_Delete) << int(Qt::ShiftModifier);
            QTest::addRow("%s Ctrl+Shift+Z", qPrintable(c))
                << c << "やり直し" << int(Qt::Key_Z) << int(Qt::ControlModifier | Qt::ShiftModifier);
        }
        QTest::newRow("Surface Ctrl+E") << "Surface" << "全文解析" << int(Qt::Key_E) << ctrl;
        QTest::newRow("Sentence F1") << "Sentence" << "Readme" << int(Qt::Key_F1) << 0;
        QTest::newRow("Result Ctrl+L") << "Result" << "クリア" << int(Qt::Key_L) << ctrl;
    }
    void menuShortcutsWinOverTheFocusedControl()
    {
        QFETCH(QString, control);
        QFETCH(QString, action);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QWidget* w = m_window->findChild<QWidget*>(control);
        QVERIFY(w);
        w->setFocus();
        QWidget* target = QApplication::focusWidget();
        QVERIFY(target);
        auto* act = m_window->findChild<QAction*>(action);
        QVERIFY(act);
        QSignalSpy triggered(act, &QAction::triggered);
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(triggered.count(), 1);
    }

    void fontsFallBackToJapaneseFaces()
    {
        const QFontInfo gothic(child<QWidget>(u"AnalyzeAll")->font());
        const QFontInfo mincho(child<QWidget>(u"Sentence")->font());
        QVERIFY2(gothic.family().contains(QStringLiteral("Gothic")) ||
                     gothic.family().contains(QStringLiteral("Sans CJK")),
                 qPrintable(gothic.family()));
        QVERIFY2(mincho.family().contains(QStringLiteral("Mincho")) ||
                     mincho.family().contains(QStringLiteral("Serif CJK")),
                 qPrintable(mincho.family()));
        QCOMPARE(child<QWidget>(u"AnalyzeAll")->font().pointSizeF(), 11.25);
        QCOMPARE(child<QWidget>(u"Sentence")->font().pointSizeF(), 9.75);
        QCOMPARE(child<QWidget>(u"Result")->font().pointSizeF(), 9.0);
        QCOMPARE(child<QWidget>(u"OptionList")->font().pointSizeF(), 12.0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
