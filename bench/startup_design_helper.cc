// The program's window as a design only, what the program's own start-up is
// measured against: the same menu bar (menus, captions, shortcut keys), the
// buttons, check boxes, the two editable combo boxes with their items, the
// two text panes with their first texts, the labels, in the same fonts, at
// the same places and size, with the same title and icon, as the program
// shows them on its first run (no settings file). Nothing behind it: no
// model, no settings, no analyzer, no undo, no clipboard, no drops, no
// signal handling, no translations, plain Qt controls instead of the
// program's own control classes. It shows the window and waits.

#include <array>
#include <iterator>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

// The fonts come from the program's own gui/designfont.cc, compiled into this
// helper alone (bench/CMakeLists.txt): the design names Windows faces, and
// which stand-in Qt is handed, and how (an installed family looked up once,
// no glyph merging for the captions), decides what fontconfig is asked and
// thus much of what the window costs; a copy of that choice here could drift
// from the program's, and the file holds nothing but the choice.
#include "gui/designfont.h"

namespace {

using yomika::designFont;
using yomika::gothicFace;
using yomika::minchoFace;

// The design's measures are in twips: the client area and each control's place.
constexpr int clientWidth = 8880;
constexpr int clientHeight = 6750;

struct Place {
    int left, top, width, height;
};

QKeySequence ctrl(Qt::Key key)
{
    return QKeySequence(Qt::CTRL | key);
}

class DesignWindow : public QMainWindow {
public:
    DesignWindow()
    {
        setWindowTitle(QStringLiteral("Yomika"));
        setWindowIcon(QIcon(QStringLiteral(":/icons/yomika32.png")));
        QApplication::setWindowIcon(windowIcon());

        m_client = new QWidget(this);
        setCentralWidget(m_client);
        QFont buttonFont = designFont(gothicFace(), 11.25);
        buttonFont.setStyleStrategy(QFont::NoFontMerging);

        QPushButton* first = nullptr;
        int top = 60;
        for (const char16_t* caption : {u"全文解析", u"部分解析", u"クリア"}) {
            auto* button = new QPushButton(QString::fromUtf16(caption), m_client);
            button->setFont(buttonFont);
            button->setAutoDefault(false);
            place(button, {60, top, 1095, 375});
            top += 420;
            first = first ? first : button;
        }

        m_client->setFont(designFont(minchoFace(), 9.75));
        auto* sentence = new QPlainTextEdit(m_client);
        sentence->setFont(designFont(minchoFace(), 9.75));
        sentence->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        sentence->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        sentence->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        place(sentence, {1260, 60, 7560, 1215});
        sentence->setPlainText(QStringLiteral("クリアを押してから文を入力してください。\n"
                                              "ドラッグ＆ドロップでファイルからテキストをコピーできます。\n"));

        static constexpr Place boxPlaces[] = {{120, 1320, 1100, 375}, {1320, 1320, 1100, 375},
                                              {2520, 1320, 900, 375},  {3660, 1320, 900, 375},
                                              {4800, 1320, 900, 375},  {5940, 1320, 900, 375}};
        const char16_t* const boxCaptions[] = {u"表層語", u"基本形", u"読み", u"発音", u"品詞", u"活用"};
        for (std::size_t i = 0; i < std::size(boxCaptions); ++i) {
            auto* box = new QCheckBox(QString::fromUtf16(boxCaptions[i]), m_client);
            box->setFont(buttonFont);
            box->setTristate(true);
            box->setCheckState(i == 0 ? Qt::Checked : Qt::Unchecked);
            place(box, boxPlaces[i]);
        }

        const QFont comboFont = designFont(gothicFace(), 12);
        auto* delimiter = makeCombo(comboFont);
        delimiter->addItems({QStringLiteral("(タブ)"), QStringLiteral("(空白)"), QStringLiteral("(改行)"),
                             QStringLiteral(",")});
        delimiter->setEditText(QStringLiteral("(タブ)"));
        place(delimiter, {7620, 1320, 1200, 360});
        // What the first run shows: the option string of the ticked box and the tab.
        auto* optionList = makeCombo(comboFont);
        optionList->setEditText(QStringLiteral("-F \"%m\\n\""));
        place(optionList, {1260, 1740, 7560, 360});

        auto* result = new QPlainTextEdit(m_client);
        result->setFont(designFont(minchoFace(), 9));
        result->setLineWrapMode(QPlainTextEdit::NoWrap);
        result->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        result->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        place(result, {60, 2160, 8760, 4530});

        auto* delimiterLabel = new QLabel(QStringLiteral("区切り"), m_client);
        delimiterLabel->setFont(buttonFont);
        delimiterLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
        place(delimiterLabel, {6840, 1380, 735, 255});
        auto* optionLabel = new QLabel(QStringLiteral("オプション"), m_client);
        optionLabel->setFont(buttonFont);
        optionLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        place(optionLabel, {120, 1800, 1035, 255});

        createMenus();

        const QSize client(pixels(clientWidth), pixels(clientHeight));
        const int menuHeight = menuBar()->heightForWidth(client.width());
        resize(client.width(), client.height() + (menuHeight > 0 ? menuHeight : menuBar()->sizeHint().height()));
        first->setFocus();
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        // The menu bar's height is known once the platform window exists:
        // the client area is set to the design size then, as the program does.
        if (!m_settled && !event->spontaneous()) {
            m_settled = true;
            if (QLayout* frame = layout())
                frame->activate();
            const QSize design(pixels(clientWidth), pixels(clientHeight));
            if (m_client->size() != design)
                resize(size() + (design - m_client->size()));
        }
        QMainWindow::showEvent(event);
    }

private:
    // Set up in the program's order: editable first, then the font.
    QComboBox* makeCombo(const QFont& font)
    {
        auto* combo = new QComboBox(m_client);
        combo->setEditable(true);
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
        // The size hint is never used here either: no measuring of the items.
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMaxVisibleItems(20);
        combo->setFont(font);
        return combo;
    }

    void createMenus()
    {
        struct Item {
            const char16_t* caption; // null: a separator
            QList<QKeySequence> keys;
        };
        const auto menu = [this](const char16_t* caption, std::initializer_list<Item> items) {
            QMenu* m = menuBar()->addMenu(QString::fromUtf16(caption));
            m->setFont(yomika::menuFont());
            for (const Item& item : items) {
                if (!item.caption) {
                    m->addSeparator();
                    continue;
                }
                auto* action = new QAction(QString::fromUtf16(item.caption), this);
                action->setShortcuts(item.keys);
                action->setShortcutContext(Qt::WindowShortcut);
                m->addAction(action);
            }
        };
        menu(u"ファイル(&U)", {{u"テキストファイルを開く(&O)...", {ctrl(Qt::Key_O)}},
                               {u"解析結果を名前を付けて保存(&S)...", {ctrl(Qt::Key_S)}},
                               {nullptr, {}},
                               {u"追加ファイルの指定(&T)...", {}},
                               {u"解析結果をファイルへ追加(&W)", {ctrl(Qt::Key_W)}},
                               {nullptr, {}},
                               {u"終了(&X)", {}}});
        menu(u"編集(&E)", {{u"元に戻す(&U)", {ctrl(Qt::Key_Z)}},
                           {u"やり直し(&R)", {ctrl(Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}},
                           {nullptr, {}},
                           {u"切り取り(&T)", {ctrl(Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)}},
                           {u"コピー(&C)", {ctrl(Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}},
                           {u"貼り付け(&P)", {ctrl(Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}},
                           {nullptr, {}},
                           {u"すべて選択(&A)", {ctrl(Qt::Key_A)}},
                           {nullptr, {}},
                           {u"解析結果をコピー(&I)", {ctrl(Qt::Key_I)}},
                           {u"文を貼り付け(&J)", {ctrl(Qt::Key_J)}}});
        menu(u"解析(&A)", {{u"全文解析(&E)", {ctrl(Qt::Key_E)}},
                           {u"部分解析(&P)", {ctrl(Qt::Key_P)}},
                           {nullptr, {}},
                           {u"クリア(&C)", {ctrl(Qt::Key_L)}}});
        menu(u"ヘルプ(&H)", {{u"Readmeを表示(&R)", {QKeySequence(Qt::Key_F1)}},
                             {u"バージョン情報(&A)...", {}}});
    }

    void place(QWidget* w, const Place& p) const
    {
        w->setGeometry(pixels(p.left), pixels(p.top), pixels(p.width), pixels(p.height));
    }

    // Twips to pixels at the screen's logical resolution.
    int pixels(int twips) const
    {
        const QScreen* s = screen();
        const qreal dpi = s ? s->logicalDotsPerInchX() : 96.0;
        return qRound(twips / 15.0 * dpi / 96.0);
    }

    QWidget* m_client = nullptr;
    bool m_settled = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    DesignWindow window;
    window.show();
    return QApplication::exec();
}
