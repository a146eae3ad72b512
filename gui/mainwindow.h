#pragma once

#include <array>
#include <memory>

#include <QFont>
#include <QMainWindow>
#include <QString>

#include "core/optionstring.h"
#include "core/wholefile.h"
#include "gui/prompter.h"
#include "core/undoring.h"

class QAction;
class QLabel;
class QMimeData;
class QPushButton;

namespace yomika {

class AnalyzerProcess;
class ExactTextEdit;
class LineComboBox;
class ShortcutPriorityFilter;
class TwoClickCheckBox;

/// The one window. It owns every control and all state (the append file, the
/// file name of the Open command, the undo ring) and wires the pure pieces of
/// core/ together; its commands are short. Questions, messages
/// and file dialogs go through a Prompter, which tests replace.
class MainWindow;

/// Sets the window's busy pointer for its lifetime, on every path out.
class BusyPointer {
public:
    explicit BusyPointer(MainWindow* window);
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    MainWindow* m_window;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    /// `programDir` holds the analyzer, its dictionary, the temporary files,
    /// yomika.ini and README.TXT. A null `prompter` means the real dialogs.
    /// Start-up does not run here: call startUp() before the window is shown.
    explicit MainWindow(const QString& programDir, std::unique_ptr<Prompter> prompter = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up and shut-down (gui/startup.cc). Never show a message.
    void startUp();
    void shutDown();

    // Shared operations.
    void buildOptionString();
    void recordOptionHistory();
    void updateCaption();
    void loadSentenceText(const QString& text);
    void showResultText(const QString& text);
    QString runAnalyzer(const QString& text);
    void pushUndoSnapshot();
    void saveResultAs(const QString& text);

    // Commands of the buttons and menu items.
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
    void exitProgram();

    /// The one drop handler: the window and its thirteen drop-target controls hand every drop here.
    void handleDrop(const QMimeData* data);

    // State, for the commands of other files and for tests.
    QString programDir() const { return m_programDir; }
    QString appendFileName() const { return m_appendFileName; }
    QString openFileName() const { return m_openFileName; }
    const UndoRing& undoRing() const { return m_undo; }
    /// True while an analyzer run waits for the analyzer.
    bool isRunning() const;
    /// Stops a waiting run without a message (Esc).
    void cancelRun();

    /// The path of a fixed file of the program directory, named as on Windows ("dic\kotokarc").
    QString fixedPath(const QString& relativeName) const;

    /// The busy pointer: set while whole-file operations and the analyzer run
    /// work; calls nest, and every set is matched by a reset on every path.
    void setBusy(bool busy);

    /// The whole-file operations with the busy pointer set around them; the
    /// same error contracts as readWholeFile, writeWholeFile, appendWholeFile.
    ReadResult readFile(const QString& path);
    int writeFile(const QString& path, QStringView text);
    int appendFile(const QString& path, QStringView text);

    /// Twips (15 to a pixel at 96 dpi) to pixels at this screen's logical dpi.
    int twipsToPixels(int twips) const;

    /// Lays the controls out for a client area of `width` by `height` pixels.
    void applyLayout(int width, int height);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createActions();
    void createMenus();
    void setDesignGeometry();
    void connectControls();
    QWidget* focusedTextControl() const;
    FieldSet fieldSet() const;
    QFont menuFont() const;

    // Start-up and shut-down (gui/startup.cc).
    bool prepareAnalyzerResource();
    bool restoreSettings();

    // Dropping (gui/opening.cc).
    void installDropTargets();

    QString m_programDir;
    std::unique_ptr<Prompter> m_prompter;
    QString m_appendFileName;
    QString m_openFileName;
    UndoRing m_undo;
    int m_busyDepth = 0;
    bool m_shutDownDone = false;
    bool m_designSizeSettled = false;
    AnalyzerProcess* m_run = nullptr; // the waiting run, if any

    QWidget* m_client = nullptr;
    QPushButton* m_analyzeAll = nullptr;
    QPushButton* m_analyzePartial = nullptr;
    QPushButton* m_clear = nullptr;
    ExactTextEdit* m_sentence = nullptr;
    ExactTextEdit* m_result = nullptr;
    std::array<TwoClickCheckBox*, 6> m_fields{};
    LineComboBox* m_delimiter = nullptr;
    LineComboBox* m_optionList = nullptr;
    QLabel* m_delimiterLabel = nullptr;
    QLabel* m_label1 = nullptr;
    ShortcutPriorityFilter* m_shortcutFilter = nullptr;

    friend class MainWindowTest;
};

} // namespace yomika
