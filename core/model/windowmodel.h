#pragma once

#include <array>
#include <functional>

#include <QObject>
#include <QString>
#include <QStringList>
#include <Qt>

#include "core/analysis/analyzerrun.h"
#include "core/analysis/optionstring.h"
#include "core/files/programfiles.h"
#include "core/files/textstream.h"
#include "core/model/undoring.h"
#include "core/model/viewparts.h"
#include "core/files/wholefile.h"

namespace yomika {

struct DroppedData;

/// The state and the commands of the main window, without a widget: the
/// field choices, the delimiter, the option string and its history, the
/// append file, the Open command's file, the caption, the undo ring of the
/// pane pair, the analyzer run, the two too-large questions, saving and
/// appending, start-up and shut-down with the settings file. The panes,
/// dialogs, clipboard and busy pointer are reached through the ViewParts it
/// is given. Commands never fail outward: a failure shows its message through
/// the Prompter, and start-up and shut-down show nothing at all.
///
/// An analyzer run goes on while events are handled: a command that arrives
/// meanwhile and would change a pane is refused quietly, and the model (with
/// its window) may be destroyed during a run, which then ends unseen.
class WindowModel : public QObject {
    Q_OBJECT
public:
    /// `folders` name where the analyzer, its dictionary, the temporary
    /// files, yomika.ini and README.TXT lie.
    WindowModel(const ProgramFolders& folders, const ViewParts& view, QObject* parent = nullptr);
    ~WindowModel() override;

    // The choices, as the controls show them. A setter that changes nothing
    // does nothing; a changed field or delimiter rebuilds the option string,
    // as a click or a keystroke in that control does.
    Qt::CheckState fieldState(int index) const { return m_fields[index]; }
    void setFieldState(int index, Qt::CheckState state);
    QString delimiter() const { return m_delimiter; }
    void setDelimiter(const QString& text);
    /// A delimiter picked from the list: the option string is built again
    /// even when the delimiter stays the same, undoing a hand edit of it.
    void pickDelimiter(const QString& text);
    QString optionText() const { return m_optionText; }
    void setOptionText(const QString& text);
    QStringList optionHistory() const { return m_history; }
    QString appendFileName() const { return m_appendFileName; }
    QString openFileName() const { return m_openFileName; }
    QString caption() const { return m_caption; }
    /// True from the start of an analyzer run until its outcome is taken.
    bool isRunning() const;

    // Start-up and shut-down. Neither shows a message: a failure leaves what
    // was there, and closing always goes on.
    void startUp();
    void shutDown();

    // The operations several commands share.
    void buildOptionString();
    void recordOptionHistory();
    void loadSentenceText(const QString& text);

    // The commands of the buttons and menu items. While a run is under way
    // those that would change a pane are refused quietly, and the edit
    // commands leave the panes alone; the others always run.
    void analyzeAll();
    void analyzePartial();
    void clearPanes();
    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void selectAll();
    void copyResult();
    void pasteAsSentence();
    void openTextFile();
    void saveResult();
    void chooseAppendFile();
    void appendResult();
    void showReadme();
    void showAbout();
    /// Stops a waiting run without a message (Esc).
    void cancelRun();
    /// The one drop handler: text is added to the end of the sentence text,
    /// files are read in order and their texts added.
    void drop(const DroppedData& dropped);

signals:
    void fieldStateChanged(int index, Qt::CheckState state);
    void delimiterChanged(const QString& text);
    void optionTextChanged(const QString& text);
    void optionHistoryChanged(const QStringList& history);
    void captionChanged(const QString& caption);
    /// A run began or ended waiting for the analyzer.
    void runningChanged(bool running);
    /// How much of the text the analyzer has got through, in thousandths;
    /// only an analyzer that reports its progress brings this.
    void runProgressed(int permille);

private:
    static QString paneHead(const QString& text);
    static QString analyzeFailed(ErrorNumber error);
    QString fixedPath(QStringView name) const;
    void updateCaption();
    void pushUndoSnapshot();
    /// Asks for a name and has `write` write the result there; false only
    /// when the write failed (its message shown).
    bool saveResultAs(const std::function<Result<>(const QString&)>& write);
    // A text on its way to the sentence pane: whole in `head` when it fits,
    // otherwise pieces (strings and files) too large to hold.
    struct Incoming {
        QList<TextPiece> pieces;
        qint64 units = 0;
        QString head;
    };
    void whenIdle(const std::function<void()>& command);
    TextControl* editableFocus() const;
    void stepUndo(bool (UndoRing::*step)(PanePair&));
    void loadText(const QString& text);
    void loadDropped(const DroppedData& dropped);
    void openChosenFile();
    void pasteClipboardAsSentence();
    void saveResultPane();
    void appendResultPane();
    void clearBoth();
    void analyzeText(const QString& text);
    void loadIncoming(const Incoming& text);
    void analyze(const QList<TextPiece>& text, bool empty);
    void takeOutcome(const AnalyzerRun::Outcome& outcome);
    void showOutput();
    Result<Incoming> incomingFile(const QString& path);
    void setBusy(bool busy);
    Result<QString> readFile(const QString& path);
    Result<> writeFile(const QString& path, QStringView text);
    bool prepareAnalyzerResource();
    bool restoreSettings();

    ProgramFolders m_folders;
    ViewParts m_view;
    std::array<Qt::CheckState, fieldCount> m_fields{Qt::Checked, Qt::Unchecked, Qt::Unchecked,
                                                    Qt::Unchecked, Qt::Unchecked, Qt::Unchecked};
    QString m_delimiter = delimiterChoices().first();
    QString m_optionText = QStringLiteral("-F \"%m\"");
    QStringList m_history;
    QString m_appendFileName;
    QString m_openFileName;
    QString m_caption = QStringLiteral("Yomika2000"); // the design's; updateCaption() sets it before the window shows
    UndoRing m_undo;
    int m_busyDepth = 0;
    AnalyzerRun* m_run; // a child: one run at a time
};

} // namespace yomika
