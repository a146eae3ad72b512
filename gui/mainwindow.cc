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
#include <QProgressDialog>
#include <QTimer>
#include <QScreen>

#include "gui/designfont.h"
#include "gui/dialogprompter.h"
#include "gui/viewadapters.h"
#include "gui/exacttextedit.h"
#include "gui/widgets.h"

#include <QLineEdit>

// The icons are compiled into this library; a static library's resources
// are registered only when something asks for them.
static void registerResources()
{
    Q_INIT_RESOURCE(yomika);
}

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
constexpr std::array<Place, fieldCount> fieldPlaces{{
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

const std::array<const char*, fieldCount> fieldNames{"Surface", "BaseForm", "Reading",
                                            "Pronounciation", "PartOfSpeech", "Inflection"};
const std::array<const char16_t*, fieldCount> fieldCaptions{u"表層語", u"基本形", u"読み",
                                                   u"発音", u"品詞", u"活用"};

} // namespace

MainWindow::MainWindow(const ProgramFolders& folders, std::unique_ptr<Prompter> prompter,
                       QWidget* parent)
    : QMainWindow(parent)
    , m_prompter(prompter ? std::move(prompter) : std::make_unique<DialogPrompter>(this))
    , m_clipboard(std::make_unique<SystemClipboard>())
    , m_waitCursor(std::make_unique<WaitCursor>(this))
{
    setObjectName(QStringLiteral("Yomika"));
    registerResources();
    // The title bar's size only: the program adds the large one once the
    // window is painted (app/main.cc).
    setWindowIcon(QIcon(QStringLiteral(":/icons/yomika32.png")));
    setAcceptDrops(true);

    createControls();
    m_sentenceControl = std::make_unique<PaneControl>(m_sentence);
    m_resultControl = std::make_unique<PaneControl>(m_result);
    m_delimiterControl = std::make_unique<ComboControl>(m_delimiter);
    m_optionListControl = std::make_unique<ComboControl>(m_optionList);
    ViewParts parts;
    parts.sentence = m_sentenceControl.get();
    parts.result = m_resultControl.get();
    parts.focusedTextControl = [this] { return focusedTextControl(); };
    parts.prompter = m_prompter.get();
    parts.clipboard = m_clipboard.get();
    parts.busy = m_waitCursor.get();
    m_model = new WindowModel(folders, parts, this);
    showModelState();

    createActions();
    createMenus();
    connectModel();
    installDropTargets();
    setDesignGeometry();
    m_analyzeAll->setFocus();
}

MainWindow::~MainWindow()
{
    // The model goes first, while every part of the view it was given is still there.
    delete m_model;
}

void MainWindow::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->installEventFilter(this);
    setCentralWidget(m_client);

    // Captions are the program's own Japanese, which the design faces hold
    // whole: no search through other fonts for missing glyphs is needed.
    QFont buttonFont = designFont(gothicFace(), 11.25);
    buttonFont.setStyleStrategy(QFont::NoFontMerging);
    auto makeButton = [&](const char* name, const QString& caption) {
        auto* button = new CommandButton(caption, m_client);
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
    m_client->setFont(designFont(minchoFace(), 9.75));
    m_sentence = new ExactTextEdit(m_client);
    m_sentence->setObjectName(QStringLiteral("Sentence"));
    m_sentence->setFont(designFont(minchoFace(), 9.75));
    m_sentence->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_sentence->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_sentence->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sentence->setText(QStringLiteral("クリアを押してから文を入力してください。\r\n"
                                       "ドラッグ＆ドロップでファイルからテキストをコピーできます。\r\n"));

    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        auto* box = new TwoClickCheckBox(QString::fromUtf16(fieldCaptions[i]), m_client);
        box->setObjectName(QLatin1String(fieldNames[i]));
        box->setFont(buttonFont);
        m_fields[i] = box;
    }

    const QFont comboFont = designFont(gothicFace(), 12);
    m_delimiter = new LineComboBox(m_client);
    m_delimiter->setObjectName(QStringLiteral("Delimiter"));
    m_delimiter->setFont(comboFont);
    m_delimiter->addItems(delimiterChoices());

    m_optionList = new LineComboBox(m_client);
    m_optionList->setObjectName(QStringLiteral("OptionList"));
    m_optionList->setFont(comboFont);

    m_result = new ExactTextEdit(m_client);
    m_result->setObjectName(QStringLiteral("Result"));
    m_result->setFont(designFont(minchoFace(), 9));
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

// The controls show the model's first state, before they are connected to
// it: the model holds the design values, and start-up sets its own.
void MainWindow::showModelState()
{
    setWindowTitle(m_model->caption());
    for (int i = 0; i < fieldCount; ++i)
        m_fields[i]->setCheckState(m_model->fieldState(i));
    m_delimiter->setText(m_model->delimiter());
    m_optionList->setText(m_model->optionText());
}

void MainWindow::connectModel()
{
    WindowModel* model = m_model;
    connect(m_analyzeAll, &QPushButton::clicked, model, &WindowModel::analyzeAll);
    connect(m_analyzePartial, &QPushButton::clicked, model, &WindowModel::analyzePartial);
    connect(m_clear, &QPushButton::clicked, model, &WindowModel::clearPanes);
    for (int i = 0; i < fieldCount; ++i) {
        connect(m_fields[i], &QCheckBox::stateChanged, model, [model, i](int state) {
            model->setFieldState(i, Qt::CheckState(state));
        });
    }
    // Typing, picking an item and the program's own setText all change the
    // edit text, so one connection covers every trigger; a pick is told too.
    connect(m_delimiter, &QComboBox::editTextChanged, model, &WindowModel::setDelimiter);
    connect(m_delimiter, &QComboBox::textActivated, model, &WindowModel::pickDelimiter);
    connect(m_optionList, &QComboBox::editTextChanged, model, &WindowModel::setOptionText);

    // The model's state, shown.
    connect(model, &WindowModel::fieldStateChanged, this, [this](int i, Qt::CheckState state) {
        m_fields[i]->setCheckState(state);
    });
    auto showText = [](LineComboBox* combo, const QString& text) {
        if (combo->text() != text)
            combo->setText(text);
    };
    connect(model, &WindowModel::delimiterChanged, this,
            [this, showText](const QString& text) { showText(m_delimiter, text); });
    connect(model, &WindowModel::optionTextChanged, this,
            [this, showText](const QString& text) { showText(m_optionList, text); });
    connect(model, &WindowModel::optionHistoryChanged, this, [this](const QStringList& history) {
        const QSignalBlocker blocker(m_optionList);
        m_optionList->clear();
        m_optionList->addItems(history);
        m_optionList->setText(m_model->optionText());
    });
    connect(model, &WindowModel::captionChanged, this, &QWidget::setWindowTitle);
    connect(model, &WindowModel::runningChanged, this, &MainWindow::showRunProgress);
    connect(model, &WindowModel::runProgressed, this, [this](int permille) {
        if (m_progress) {
            m_progress->setMaximum(1000);
            m_progress->setValue(permille);
        }
    });
}

// A run that lasts shows how far it is and a button that stops it, in a small
// window of its own, so the main window keeps exactly its design.
void MainWindow::showRunProgress(bool running)
{
    if (!m_progressDelay) {
        m_progressDelay = new QTimer(this);
        m_progressDelay->setSingleShot(true);
        m_progressDelay->setInterval(500);
        connect(m_progressDelay, &QTimer::timeout, this, [this] {
            m_progress = new QProgressDialog(QStringLiteral("解析しています..."),
                                             QStringLiteral("中止"), 0, 0, this);
            m_progress->setWindowTitle(QStringLiteral("解析中 - ") + applicationTitle());
            m_progress->setWindowModality(Qt::NonModal);
            m_progress->setAutoReset(false);
            m_progress->setAutoClose(false);
            m_progress->setAttribute(Qt::WA_DeleteOnClose);
            connect(m_progress, &QProgressDialog::canceled, m_model, &WindowModel::cancelRun);
            m_progress->show();
        });
    }
    if (running) {
        m_progressDelay->start();
        return;
    }
    m_progressDelay->stop();
    if (m_progress)
        m_progress->close();
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

TextControl* MainWindow::focusedTextControl()
{
    // An editable combo box gives the keyboard focus to its line edit.
    QWidget* focus = focusWidget();
    if (!focus)
        return nullptr;
    if (focus == m_sentence)
        return m_sentenceControl.get();
    if (focus == m_result)
        return m_resultControl.get();
    if (focus == m_delimiter || focus == m_delimiter->lineEdit())
        return m_delimiterControl.get();
    if (focus == m_optionList || focus == m_optionList->lineEdit())
        return m_optionListControl.get();
    return nullptr;
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
    m_model->cancelRun();
    if (!m_shutDownDone) {
        m_shutDownDone = true;
        m_model->shutDown();
    }
    event->accept();
}

} // namespace yomika
