#include "gui/mainwindow.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QLayout>
#include <QShowEvent>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QMenuBar>
#include <QScreen>

#include "core/platform.h"
#include "gui/exacttextedit.h"
#include "gui/prompter.h"
#include "gui/widgets.h"

namespace yomika {

namespace {

// The window is designed in twips; its client area is 8880 by 6750.
constexpr int designClientWidth = 8880;
constexpr int designClientHeight = 6750;
constexpr int margin = 60;

struct Place {
    int left, top, width, height;
};

constexpr Place analyzeAllPlace{60, 60, 1095, 375};
constexpr Place analyzePartialPlace{60, 480, 1095, 375};
constexpr Place clearPlace{60, 900, 1095, 375};
constexpr Place sentencePlace{1260, 60, 7560, 1215};
constexpr std::array<Place, 6> fieldPlaces{{
    {120, 1320, 1100, 375},
    {1320, 1320, 1100, 375},
    {2520, 1320, 900, 375},
    {3660, 1320, 900, 375},
    {4800, 1320, 900, 375},
    {5940, 1320, 900, 375},
}};
constexpr Place delimiterPlace{7620, 1320, 1200, 360};
constexpr Place optionListPlace{1260, 1740, 7560, 360};
constexpr Place resultPlace{60, 2160, 8760, 4530};
constexpr Place delimiterLabelPlace{6840, 1380, 735, 255};
constexpr Place label1Place{120, 1800, 1035, 255};

// The design's fonts are Windows faces; elsewhere the nearest Japanese faces
// stand in at the same sizes.
const QString gothicFace = QStringLiteral("ＭＳ Ｐゴシック");
const QString minchoFace = QStringLiteral("ＭＳ 明朝");

QFont designFont(const QString& face, qreal points)
{
    static const bool substituted = [] {
        QFont::insertSubstitutions(gothicFace, {QStringLiteral("IPAPGothic"),
                                                QStringLiteral("Noto Sans CJK JP")});
        QFont::insertSubstitutions(minchoFace, {QStringLiteral("IPAMincho"),
                                                QStringLiteral("Noto Serif CJK JP")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(face);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

const std::array<const char*, 6> fieldNames{"Surface", "BaseForm", "Reading",
                                            "Pronounciation", "PartOfSpeech", "Inflection"};
const std::array<const char16_t*, 6> fieldCaptions{u"表層語", u"基本形", u"読み",
                                                   u"発音", u"品詞", u"活用"};

} // namespace

MainWindow::MainWindow(const QString& programDir, std::unique_ptr<Prompter> prompter,
                       QWidget* parent)
    : QMainWindow(parent)
    , m_programDir(programDir)
    , m_prompter(prompter ? std::move(prompter) : std::make_unique<DialogPrompter>())
{
    setObjectName(QStringLiteral("Yomika"));
    // The design caption; start-up replaces it before the window is shown.
    setWindowTitle(QStringLiteral("Yomika2000"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/yomika.png")));
    setAcceptDrops(true);

    createControls();
    createActions();
    createMenus();
    connectControls();
    installDropTargets();
    setDesignGeometry();
    m_analyzeAll->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->installEventFilter(this);
    setCentralWidget(m_client);

    // Captions are the program's own Japanese, which the design faces hold
    // whole: no search through other fonts for missing glyphs is needed.
    QFont buttonFont = designFont(gothicFace, 11.25);
    buttonFont.setStyleStrategy(QFont::NoFontMerging);
    auto makeButton = [&](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, m_client);
        button->setObjectName(QLatin1String(name));
        button->setFont(buttonFont);
        button->setAutoDefault(false);
        return button;
    };
    m_analyzeAll = makeButton("AnalyzeAll", QStringLiteral("全文解析"));
    m_analyzePartial = makeButton("AnalyzePartial", QStringLiteral("部分解析"));
    m_clear = makeButton("Clear", QStringLiteral("クリア"));

    // A text pane lays out its empty document as soon as it is made, in the
    // font it inherits: the pane's own face spares a layout in another one.
    m_client->setFont(designFont(minchoFace, 9.75));
    m_sentence = new ExactTextEdit(m_client);
    m_sentence->setObjectName(QStringLiteral("Sentence"));
    m_sentence->setFont(designFont(minchoFace, 9.75));
    m_sentence->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_sentence->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_sentence->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sentence->setText(QStringLiteral("クリアを押してから文を入力してください。\r\n"
                                       "ドラッグ＆ドロップでファイルからテキストをコピーできます。\r\n"));

    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        auto* box = new TwoClickCheckBox(QString::fromUtf16(fieldCaptions[i]), m_client);
        box->setObjectName(QLatin1String(fieldNames[i]));
        box->setFont(buttonFont);
        box->setCheckState(i == 0 ? Qt::Checked : Qt::Unchecked);
        m_fields[i] = box;
    }

    const QFont comboFont = designFont(gothicFace, 12);
    m_delimiter = new LineComboBox(m_client);
    m_delimiter->setObjectName(QStringLiteral("Delimiter"));
    m_delimiter->setFont(comboFont);
    m_delimiter->addItems({QStringLiteral("(タブ)"), QStringLiteral("(空白)"),
                           QStringLiteral("(改行)"), QStringLiteral(",")});
    m_delimiter->setText(QStringLiteral("(タブ)"));

    m_optionList = new LineComboBox(m_client);
    m_optionList->setObjectName(QStringLiteral("OptionList"));
    m_optionList->setFont(comboFont);
    m_optionList->setText(QStringLiteral("-F \"%m\""));

    m_result = new ExactTextEdit(m_client);
    m_result->setObjectName(QStringLiteral("Result"));
    m_result->setFont(designFont(minchoFace, 9));
    m_result->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_result->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_result->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_delimiterLabel = new QLabel(QStringLiteral("区切り"), m_client);
    m_delimiterLabel->setObjectName(QStringLiteral("区切り"));
    m_delimiterLabel->setFont(buttonFont);
    m_delimiterLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);

    m_label1 = new QLabel(QStringLiteral("オプション"), m_client);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(buttonFont);
    m_label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    // Tab order: the buttons, the sentence pane, the six boxes, the two
    // combo boxes, the result pane. The labels take no focus.
    QWidget* order[] = {m_analyzeAll, m_analyzePartial, m_clear, m_sentence,
                        m_fields[0], m_fields[1], m_fields[2], m_fields[3], m_fields[4], m_fields[5],
                        m_delimiter, m_optionList, m_result};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    for (QWidget* w : order)
        w->setFocusPolicy(Qt::StrongFocus);
}

void MainWindow::connectControls()
{
    connect(m_analyzeAll, &QPushButton::clicked, this, &MainWindow::analyzeAll);
    connect(m_analyzePartial, &QPushButton::clicked, this, &MainWindow::analyzePartial);
    connect(m_clear, &QPushButton::clicked, this, &MainWindow::clearPanes);
    for (TwoClickCheckBox* box : m_fields)
        connect(box, &QCheckBox::stateChanged, this, &MainWindow::buildOptionString);
    // Typing, picking an item and the program's own setText all change the
    // edit text, so one connection covers every trigger.
    connect(m_delimiter, &QComboBox::editTextChanged, this, &MainWindow::buildOptionString);
    connect(m_delimiter, &QComboBox::textActivated, this, &MainWindow::buildOptionString);
}

int MainWindow::twipsToPixels(int twips) const
{
    const QScreen* s = screen();
    const qreal dpi = s ? s->logicalDotsPerInchX() : 96.0;
    return qRound(twips / 15.0 * dpi / 96.0);
}

void MainWindow::setDesignGeometry()
{
    auto place = [this](QWidget* w, const Place& p) {
        w->setGeometry(twipsToPixels(p.left), twipsToPixels(p.top), twipsToPixels(p.width),
                       twipsToPixels(p.height));
    };
    place(m_analyzeAll, analyzeAllPlace);
    place(m_analyzePartial, analyzePartialPlace);
    place(m_clear, clearPlace);
    place(m_sentence, sentencePlace);
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        place(m_fields[i], fieldPlaces[i]);
    place(m_delimiter, delimiterPlace);
    place(m_optionList, optionListPlace);
    place(m_result, resultPlace);
    place(m_delimiterLabel, delimiterLabelPlace);
    place(m_label1, label1Place);

    const QSize client(twipsToPixels(designClientWidth), twipsToPixels(designClientHeight));
    m_client->setMinimumSize(0, 0);
    // The menu bar takes the height it needs at this width (it may wrap), and
    // the client area gets the rest: the design size exactly.
    const int menuHeight = menuBar()->heightForWidth(client.width());
    resize(client.width(),
           client.height() + (menuHeight > 0 ? menuHeight : menuBar()->sizeHint().height()));
}

void MainWindow::applyLayout(int width, int height)
{
    // Only the two long controls and the result pane follow the window: they
    // keep a margin of 60 twips to the right edge, and the result pane also to
    // the bottom. Below the smallest size the sizes stop at zero; the rule
    // applies again as soon as the window grows.
    const int m = twipsToPixels(margin);
    auto fitWidth = [&](QWidget* w) {
        w->resize(std::max(0, width - w->x() - m), w->height());
    };
    fitWidth(m_sentence);
    fitWidth(m_optionList);
    m_result->resize(std::max(0, width - m_result->x() - m),
                     std::max(0, height - m_result->y() - m));
}

void MainWindow::updateCaption()
{
    setWindowTitle(m_appendFileName.isEmpty()
                       ? QStringLiteral("Yomika")
                       : QStringLiteral("Yomika - ") + m_appendFileName);
}

QFont MainWindow::menuFont() const
{
    // Menus show only the program's own captions, which the Japanese face
    // holds whole: no search through other fonts for glyphs is needed.
    QFont font = designFont(gothicFace, 9);
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

FieldSet MainWindow::fieldSet() const
{
    FieldSet set{};
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        set[i] = m_fields[i]->checkState() != Qt::Unchecked; // greyed counts as set
    return set;
}

void MainWindow::buildOptionString()
{
    m_optionList->setText(yomika::buildOptionString(fieldSet(), m_delimiter->text()));
}

void MainWindow::recordOptionHistory()
{
    const QString text = m_optionList->text();
    if (text.isEmpty())
        return;
    QStringList history;
    history.reserve(m_optionList->count());
    for (int i = 0; i < m_optionList->count(); ++i)
        history.append(m_optionList->itemText(i));
    const QStringList recorded = yomika::recordOptionHistory(history, text);
    const QSignalBlocker blocker(m_optionList);
    m_optionList->clear();
    m_optionList->addItems(recorded);
    m_optionList->setText(text);
}

QString MainWindow::fixedPath(const QString& relativeName) const
{
    return platform::joinPath(m_programDir, relativeName);
}

void MainWindow::setBusy(bool busy)
{
    if (busy) {
        if (m_busyDepth++ == 0)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0) {
        if (--m_busyDepth == 0)
            QApplication::restoreOverrideCursor();
    }
}

BusyPointer::BusyPointer(MainWindow* window)
    : m_window(window)
{
    m_window->setBusy(true);
}

BusyPointer::~BusyPointer()
{
    m_window->setBusy(false);
}

ReadResult MainWindow::readFile(const QString& path)
{
    const BusyPointer busy(this);
    return readWholeFile(path);
}

int MainWindow::writeFile(const QString& path, QStringView text)
{
    const BusyPointer busy(this);
    return writeWholeFile(path, text);
}

int MainWindow::appendFile(const QString& path, QStringView text)
{
    const BusyPointer busy(this);
    return appendWholeFile(path, text);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Resize) {
        const auto* resize = static_cast<QResizeEvent*>(event);
        applyLayout(resize->size().width(), resize->size().height());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    // The menu bar's real height is known only once the platform window
    // exists; the first showing settles the client area at the design size.
    if (!m_designSizeSettled && !event->spontaneous()) {
        m_designSizeSettled = true;
        if (QLayout* frame = layout())
            frame->activate();
        const QSize design(twipsToPixels(designClientWidth), twipsToPixels(designClientHeight));
        if (m_client->size() != design)
            resize(size() + (design - m_client->size()));
    }
    QMainWindow::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing by any means (the close box, the exit command, the end of the
    // session) runs shut-down once; it never cancels the closing.
    if (isRunning())
        cancelRun();
    if (!m_shutDownDone) {
        m_shutDownDone = true;
        shutDown();
    }
    event->accept();
}

} // namespace yomika
