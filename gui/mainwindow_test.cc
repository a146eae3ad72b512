// What only the window does: its icon, the menu keys winning over the focused
// control, every drop reaching the one handler, the controls showing the
// model's state, and shut-down on closing.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QProgressDialog>
#include <QPushButton>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "gui/exacttextedit.h"
#include "gui/mainwindow.h"
#include "gui/sessionend.h"
#include "gui/viewadapters.h"
#include "gui/widgets.h"
#include "tests/support/scriptedprompter.h"

using namespace yomika;

class MainWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_window;

    template <typename T = QWidget>
    T* child(const QString& name) const { return m_window->findChild<T*>(name); }
    QString sentence() const { return child<ExactTextEdit>(QStringLiteral("Sentence"))->text(); }

private slots:
    void init()
    {
        m_window = std::make_unique<MainWindow>(ProgramFolders::portable(m_dir.path()),
                                                std::make_unique<testsupport::ScriptedPrompter>());
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup()
    {
        m_window.reset();
        QCursor::setPos(0, 0);
    }

    void iconHas32Pixels() { QVERIFY(m_window->windowIcon().availableSizes().contains(QSize(32, 32))); }

    // Text controls claim the keys they edit with; the window's keys win.
    void menuKeysWinOverTheFocusedControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QKeySequence>("key");
        const char* const keys[][2] = {{"コピー", "Ctrl+C"}, {"すべて選択", "Ctrl+A"}, {"元に戻す", "Ctrl+Z"}, {"貼り付け", "Shift+Ins"}};
        for (const char* c : {"Sentence", "Result", "Delimiter", "OptionList"}) {
            for (const auto& [action, key] : keys)
                QTest::addRow("%s %s", c, key) << c << action << QKeySequence(QString::fromLatin1(key));
        }
        QTest::newRow("Surface Ctrl+E") << "Surface" << "全文解析" << QKeySequence(QStringLiteral("Ctrl+E"));
    }
    void menuKeysWinOverTheFocusedControl()
    {
        QFETCH(QString, control);
        QFETCH(QString, action);
        QFETCH(QKeySequence, key);
        child(control)->setFocus();
        QSignalSpy triggered(m_window->findChild<QAction*>(action), &QAction::triggered);
        QTest::keySequence(QApplication::focusWidget(), key);
        QCOMPARE(triggered.count(), 1);
    }

    // A drop anywhere on the window adds to the end of the sentence text,
    // taken as a copy; the two labels take nothing, even when the drop
    // reaches the control the drag crossed last (a drag source need not
    // send the final position before the drop).
    void dropsReachTheOneHandler_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("releasedOver"); // empty: the target
        QTest::addColumn<bool>("taken");
        for (const char* c : {"Sentence", "Result", "OptionList", "Delimiter", "Surface", "BaseForm",
                              "Reading", "Pronounciation", "PartOfSpeech", "Inflection", "AnalyzeAll",
                              "AnalyzePartial", "Clear", "client"})
            QTest::newRow(c) << c << "" << true;
        QTest::newRow("Label1") << "Label1" << "" << false;
        QTest::newRow("区切り") << "区切り" << "" << false;
        QTest::newRow("over OptionList, released over Label1") << "OptionList" << "Label1" << false;
    }
    void dropsReachTheOneHandler()
    {
        QFETCH(QString, target);
        QFETCH(QString, releasedOver);
        QFETCH(bool, taken);
        // Dragged over the centre of the target the way the platform drives
        // a drag: enter, move, drop, all to the window.
        const QPoint at = child(target)->mapTo(m_window.get(), child(target)->rect().center());
        QMimeData data;
        data.setText(QStringLiteral("落とした\r\n"));
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        const QString before = sentence();
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_window->windowHandle(), &enter);
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_window->windowHandle(), &move);
        if (QWidget* label = releasedOver.isEmpty() ? nullptr : child(releasedOver))
            QCursor::setPos(label->mapToGlobal(label->rect().topLeft() + QPoint(20, 6)));
        QDropEvent drop(at, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_window->windowHandle(), &drop);
        QCOMPARE(sentence(), taken ? before + QStringLiteral("落とした\r\n") : before);
        QCOMPARE(drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction, taken ? Qt::CopyAction : Qt::IgnoreAction);
    }

    void controlsShowTheModel()
    {
        auto* options = child<LineComboBox>(QStringLiteral("OptionList"));
        auto* delimiter = child<LineComboBox>(QStringLiteral("Delimiter"));
        auto* baseForm = child<TwoClickCheckBox>(QStringLiteral("BaseForm"));
        baseForm->setCheckState(Qt::PartiallyChecked); // only the program sets greyed
        QTest::mouseClick(baseForm, Qt::LeftButton);
        QCOMPARE(baseForm->checkState(), Qt::Checked);
        QCOMPARE(options->text(), m_window->model().optionText());
        QTest::keyClicks(delimiter->lineEdit(), QStringLiteral("/"));
        QCOMPARE(m_window->model().delimiter(), QStringLiteral("(タブ)/"));
        QCOMPARE(options->text(), m_window->model().optionText());
        // A typed option string is the model's, Enter adds nothing to the list,
        // and a pasted line break becomes a blank.
        options->lineEdit()->selectAll();
        QTest::keyClicks(options->lineEdit(), QStringLiteral("-F x"));
        QTest::keyClick(options->lineEdit(), Qt::Key_Return);
        QCOMPARE(options->count(), 0);
        options->lineEdit()->insert(QStringLiteral("\r\ny"));
        QCOMPARE(m_window->model().optionText(), QStringLiteral("-F x  y"));
        m_window->model().recordOptionHistory();
        QCOMPARE(options->itemText(0), QStringLiteral("-F x  y"));
        m_window->model().startUp();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Yomika"));
    }

    // As on the system the window was designed for: Enter clicks the focused
    // button, and the focus starts on 全文解析.
    void enterClicksTheFocusedButton()
    {
        auto* analyzeAll = child<QPushButton>(QStringLiteral("AnalyzeAll"));
        QCOMPARE(QApplication::focusWidget(), analyzeAll);
        QSignalSpy clicked(analyzeAll, &QPushButton::clicked);
        QTest::keyClick(analyzeAll, Qt::Key_Return);
        QTest::keyClick(analyzeAll, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(clicked.count(), 2);
    }

    // Japanese can be typed into the boxes: their input method stays
    // available, only preferring Latin input at first.
    void boxesTakeTheInputMethod()
    {
        for (const QString& name : {QStringLiteral("Delimiter"), QStringLiteral("OptionList")}) {
            const QLineEdit* edit = child<LineComboBox>(name)->lineEdit();
            QVERIFY(edit->testAttribute(Qt::WA_InputMethodEnabled));
            QVERIFY(edit->inputMethodHints() & Qt::ImhPreferLatin);
        }
    }

    void emptyClipboardLoadsTheEmptyText()
    {
        QGuiApplication::clipboard()->clear();
        m_window->findChild<QAction*>(QStringLiteral("文を貼り付け"))->trigger();
        QCOMPARE(sentence(), QString());
    }

    // The hourglass is the main window's: dialogs keep their own pointer.
    void busyPointerIsTheWindowsOwn()
    {
        WaitCursor busy(m_window.get());
        QWidget* pane = child<ExactTextEdit>(QStringLiteral("Sentence"))->viewport();
        busy.showBusy(true);
        QCOMPARE(m_window->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(pane->cursor().shape(), Qt::WaitCursor);
        QVERIFY(!QApplication::overrideCursor());
        busy.showBusy(false);
        QCOMPARE(pane->cursor().shape(), Qt::IBeamCursor);
        QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
    }

    // A run that lasts shows its progress in a window of its own, whose
    // button stops it; the main window keeps its design.
    void longRunShowsProgressAndStops()
    {
        QVERIFY(QFile::copy(QStringLiteral(YOMIKA_FAKE_ANALYZER),
                            ProgramFolders::portable(m_dir.path()).analyzer()));
        child<ExactTextEdit>(QStringLiteral("Sentence"))->setText(QStringLiteral("文 @hold=600000"));
        const QSize size = m_window->size();
        m_window->model().analyzeAll();
        QVERIFY(QTest::qWaitFor([this] { return m_window->findChild<QProgressDialog*>() != nullptr; }, 60000));
        m_window->findChild<QProgressDialog*>()->findChild<QPushButton*>()->click();
        QVERIFY(QTest::qWaitFor([this] { return !m_window->model().isRunning(); }, 60000));
        QTRY_VERIFY(!m_window->findChild<QProgressDialog*>());
        QCOMPARE(m_window->size(), size); // the main window kept its design
    }

    // Closing by any means runs shut-down once; the session manager's request
    // writes the settings and leaves the window open.
    void shutDownOnClose()
    {
        const QString settings = m_dir.filePath(QStringLiteral("yomika.ini"));
        SessionEnd end(m_window.get());
        end.commitData();
        QVERIFY(QFile::remove(settings));
        QVERIFY(m_window->isVisible());
        m_window->findChild<QAction*>(QStringLiteral("終了"))->trigger();
        QVERIFY(!m_window->isVisible() && QFile::remove(settings));
        m_window->close();
        QVERIFY(!QFile::exists(settings));
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
