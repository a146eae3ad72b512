#pragma once

#include <array>
#include <memory>

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include "core/model/windowmodel.h"

class QLabel;
class QProgressDialog;
class QTimer;
class QDropEvent;
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
    /// `folders` name where the analyzer, its dictionary, the temporary
    /// files, yomika.ini and README.TXT lie. A null `prompter` means the real dialogs.
    /// Start-up does not run here: call model().startUp() before the window is shown.
    explicit MainWindow(const ProgramFolders& folders, std::unique_ptr<Prompter> prompter = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    WindowModel& model() { return *m_model; }


protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class DropForwarder;

    void createControls();
    void createActions();
    void createMenus();
    void setDesignGeometry();
    void showModelState();
    void connectModel();
    void installDropTargets();
    void showRunProgress(bool running);
    /// Takes a drag as a copy when it brings text or files and no run waits.
    bool takeAsCopy(QDropEvent* event) const;
    bool pointerOverALabel() const;
    void handleDrop(const QMimeData* data);
    int twipsToPixels(int twips) const;
    void applyLayout(int width, int height);
    TextControl* focusedTextControl();

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
    QTimer* m_progressDelay = nullptr;
    QPointer<QProgressDialog> m_progress; // only while a long run waits

    QWidget* m_client = nullptr;
    QPushButton* m_analyzeAll = nullptr;
    QPushButton* m_analyzePartial = nullptr;
    QPushButton* m_clear = nullptr;
    ExactTextEdit* m_sentence = nullptr;
    ExactTextEdit* m_result = nullptr;
    std::array<TwoClickCheckBox*, fieldCount> m_fields{};
    LineComboBox* m_delimiter = nullptr;
    LineComboBox* m_optionList = nullptr;
    QLabel* m_delimiterLabel = nullptr;
    QLabel* m_label1 = nullptr;
};

} // namespace yomika
