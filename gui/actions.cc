// The menu bar and its commands, and the rule that the menu's shortcut keys
// win over the keys of whatever control has the focus.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include "gui/designfont.h"
#include "gui/exacttextedit.h"
#include "gui/mainwindow.h"
#include "gui/shortcutpriority.h"
#include "gui/widgets.h"

namespace yomika {

namespace {

struct ActionSpec {
    const char16_t* name;    // object name
    const char16_t* caption; // with its access key
    QList<QKeySequence> keys; // the first one is shown in the menu
    void (WindowModel::*command)(); // null: the window's own exit
};

QAction* makeAction(MainWindow* window, WindowModel* model, const ActionSpec& spec)
{
    auto* action = new QAction(QString::fromUtf16(spec.caption), window);
    action->setObjectName(QString::fromUtf16(spec.name));
    action->setShortcuts(spec.keys);
    // The window's shortcuts work wherever the focus is inside it.
    action->setShortcutContext(Qt::WindowShortcut);
    if (spec.command)
        QObject::connect(action, &QAction::triggered, model, spec.command);
    else // the same path as the close box, so shut-down runs exactly once
        QObject::connect(action, &QAction::triggered, window, &QWidget::close);
    return action;
}

QAction* makeSeparator(QMenu* menu, const char* name)
{
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QLatin1String(name));
    return separator;
}

QKeySequence ctrl(Qt::Key key)
{
    return QKeySequence(Qt::CTRL | key);
}

} // namespace

void MainWindow::createActions()
{
    // The primary keys are the menu's; the further ones are the usual other
    // editing keys of text controls, which must run the same commands.
    const ActionSpec specs[] = {
        {u"開く", u"テキストファイルを開く(&O)...", {ctrl(Qt::Key_O)}, &WindowModel::openTextFile},
        {u"保存", u"解析結果を名前を付けて保存(&S)...", {ctrl(Qt::Key_S)}, &WindowModel::saveResult},
        {u"指定", u"追加ファイルの指定(&T)...", {}, &WindowModel::chooseAppendFile},
        {u"追加", u"解析結果をファイルへ追加(&W)", {ctrl(Qt::Key_W)}, &WindowModel::appendResult},
        {u"終了", u"終了(&X)", {}, nullptr},
        {u"元に戻す", u"元に戻す(&U)", {ctrl(Qt::Key_Z)}, &WindowModel::undo},
        {u"やり直し", u"やり直し(&R)",
         {ctrl(Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}, &WindowModel::redo},
        {u"切り取り", u"切り取り(&T)",
         {ctrl(Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)}, &WindowModel::cut},
        {u"コピー", u"コピー(&C)",
         {ctrl(Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}, &WindowModel::copy},
        {u"貼り付け", u"貼り付け(&P)",
         {ctrl(Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}, &WindowModel::paste},
        {u"すべて選択", u"すべて選択(&A)", {ctrl(Qt::Key_A)}, &WindowModel::selectAll},
        {u"解析結果をコピー", u"解析結果をコピー(&I)", {ctrl(Qt::Key_I)}, &WindowModel::copyResult},
        {u"文を貼り付け", u"文を貼り付け(&J)", {ctrl(Qt::Key_J)}, &WindowModel::pasteAsSentence},
        {u"全文解析", u"全文解析(&E)", {ctrl(Qt::Key_E)}, &WindowModel::analyzeAll},
        {u"部分解析", u"部分解析(&P)", {ctrl(Qt::Key_P)}, &WindowModel::analyzePartial},
        {u"クリア", u"クリア(&C)", {ctrl(Qt::Key_L)}, &WindowModel::clearPanes},
        {u"Readme", u"Readmeを表示(&R)", {QKeySequence(Qt::Key_F1)}, &WindowModel::showReadme},
        {u"バージョン", u"バージョン情報(&A)...", {}, &WindowModel::showAbout},
    };
    for (const ActionSpec& spec : specs)
        makeAction(this, m_model, spec);

    // Esc stops a waiting analyzer run; it has no menu item.
    auto* cancel = new QAction(this);
    cancel->setObjectName(QStringLiteral("cancelRun"));
    cancel->setShortcut(QKeySequence(Qt::Key_Escape));
    cancel->setShortcutContext(Qt::WindowShortcut);
    connect(cancel, &QAction::triggered, m_model, &WindowModel::cancelRun);
    addAction(cancel);

    qApp->installEventFilter(new ShortcutPriorityFilter(this));
}

void MainWindow::createMenus()
{
    auto action = [this](const char16_t* name) {
        return findChild<QAction*>(QString::fromUtf16(name), Qt::FindDirectChildrenOnly);
    };
    const QFont captionFont = menuFont();
    auto menu = [this, &captionFont](const char16_t* name, const char16_t* caption) {
        QMenu* m = menuBar()->addMenu(QString::fromUtf16(caption));
        m->setObjectName(QString::fromUtf16(name));
        m->setFont(captionFont);
        return m;
    };

    QMenu* file = menu(u"ファイル", u"ファイル(&U)");
    file->addAction(action(u"開く"));
    file->addAction(action(u"保存"));
    makeSeparator(file, "line5");
    file->addAction(action(u"指定"));
    file->addAction(action(u"追加"));
    makeSeparator(file, "line1");
    file->addAction(action(u"終了"));

    QMenu* edit = menu(u"編集", u"編集(&E)");
    edit->addAction(action(u"元に戻す"));
    edit->addAction(action(u"やり直し"));
    makeSeparator(edit, "line3");
    edit->addAction(action(u"切り取り"));
    edit->addAction(action(u"コピー"));
    edit->addAction(action(u"貼り付け"));
    makeSeparator(edit, "line2");
    edit->addAction(action(u"すべて選択"));
    makeSeparator(edit, "line4");
    edit->addAction(action(u"解析結果をコピー"));
    edit->addAction(action(u"文を貼り付け"));

    QMenu* analyze = menu(u"解析", u"解析(&A)");
    analyze->addAction(action(u"全文解析"));
    analyze->addAction(action(u"部分解析"));
    makeSeparator(analyze, "line6");
    analyze->addAction(action(u"クリア"));

    QMenu* help = menu(u"ヘルプ", u"ヘルプ(&H)");
    help->addAction(action(u"Readme"));
    help->addAction(action(u"バージョン"));

    // The text controls' own context menus would edit behind the window's
    // back; theirs offer the window's commands instead.
    QList<QWidget*> textControls{m_sentence, m_result, m_delimiter->lineEdit(),
                                 m_optionList->lineEdit()};
    for (QWidget* control : textControls) {
        control->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(control, &QWidget::customContextMenuRequested, this,
                [this, control, edit](const QPoint& pos) {
                    QMenu context(this);
                    context.addActions(edit->actions().mid(0, 8));
                    context.exec(control->mapToGlobal(pos));
                });
    }
}

ShortcutPriorityFilter::ShortcutPriorityFilter(QWidget* window)
    : QObject(window)
    , m_window(window)
{
}

bool ShortcutPriorityFilter::eventFilter(QObject* watched, QEvent* event)
{
    // Text controls accept the ShortcutOverride of the keys they edit with
    // (Ctrl+C, Ctrl+V ...), which would keep the menu's shortcut from
    // firing. Declining it for the window's own keys lets the menu win.
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != m_window)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination().toCombined() & ~Qt::KeypadModifier);
    const auto actions = m_window->findChildren<QAction*>(Qt::FindDirectChildrenOnly);
    for (const QAction* action : actions) {
        if (action->shortcuts().contains(pressed)) {
            event->ignore();
            return true;
        }
    }
    return false;
}

} // namespace yomika
