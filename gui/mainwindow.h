#pragma once

#include <array>
#include <memory>

#include <QMainWindow>
#include <QString>

#include "core/windowmodel.h"

class QLabel;
class QMimeData;
class QPushButton;

namespace yomika {

class ComboControl;
class ExactTextEdit;
class LineComboBox;
class PaneControl;
class SystemClipboard;
class TwoClickCheckBox;
class WaitCursor;

/// The one window: it makes the controls, menus and layout, forwards the
/// controls' events to its WindowModel and shows the model's state. Questions,
/// messages and file dialogs go through a Prompter, which tests replace.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    /// `programDir` holds the analyzer, its dictionary, the temporary files,
    /// yomika.ini and README.TXT. A null `prompter` means the real dialogs.
    /// Start-up does not run here: call model().startUp() before the window is shown.
    explicit MainWindow(const QString& programDir, std::unique_ptr<Prompter> prompter = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    WindowModel& model() { return *m_model; }

    // Forwarders kept while the window's tests move to the model.
    void startUp() { m_model->startUp(); }
    void shutDown() { m_model->shutDown(); }
    void buildOptionString() { m_model->buildOptionString(); }
    void recordOptionHistory() { m_model->recordOptionHistory(); }
    void updateCaption() {}
    void loadSentenceText(const QString& text) { m_model->loadSentenceText(text); }
    void showResultText(const QString& text) { m_model->showResultText(text); }
    QString runAnalyzer(const QString& text) { return m_model->runAnalyzer(text); }
    void analyzeAll() { m_model->analyzeAll(); }
    void analyzePartial() { m_model->analyzePartial(); }
    void clearPanes() { m_model->clearPanes(); }
    void undo() { m_model->undo(); }
    void redo() { m_model->redo(); }
    void openTextFile() { m_model->openTextFile(); }
    void saveResult() { m_model->saveResult(); }
    void chooseAppendFile() { m_model->chooseAppendFile(); }
    void appendResult() { m_model->appendResult(); }
    void showReadme() { m_model->showReadme(); }
    void showAbout() { m_model->showAbout(); }
    QString appendFileName() const { return m_model->appendFileName(); }
    QString openFileName() const { return m_model->openFileName(); }
    const UndoRing& undoRing() const { return m_model->undoRing(); }
    bool isRunning() const { return m_model->isRunning(); }
    void cancelRun() { m_model->cancelRun(); }
    QString programDir() const { return m_programDir; }
    void handleDrop(const QMimeData* data);
    int twipsToPixels(int twips) const;
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
    void connectModel();
    void installDropTargets();
    TextControl* focusedTextControl();

    QString m_programDir;
    std::unique_ptr<Prompter> m_prompter;
    std::unique_ptr<SystemClipboard> m_clipboard;
    std::unique_ptr<WaitCursor> m_waitCursor;
    std::unique_ptr<PaneControl> m_sentenceControl;
    std::unique_ptr<PaneControl> m_resultControl;
    std::unique_ptr<ComboControl> m_delimiterControl;
    std::unique_ptr<ComboControl> m_optionListControl;
    WindowModel* m_model = nullptr;
    bool m_shutDownDone = false;
    bool m_designSizeSettled = false;

    QWidget* m_client = nullptr;
    QPushButton* m_analyzeAll = nullptr;
    QPushButton* m_analyzePartial = nullptr;
    QPushButton* m_clear = nullptr;
    ExactTextEdit* m_sentence = nullptr;
    ExactTextEdit* m_result = nullptr;
    std::array<TwoClickCheckBox*, WindowModel::fieldCount> m_fields{};
    LineComboBox* m_delimiter = nullptr;
    LineComboBox* m_optionList = nullptr;
    QLabel* m_delimiterLabel = nullptr;
    QLabel* m_label1 = nullptr;
};

} // namespace yomika
