#pragma once

#include <QString>

class QWidget;

// Every question, message and file dialog of the main window goes through
// this one interface, so that tests can put a scripted one in its place.
// Message boxes are modal, titled "Yomika 2000", without an icon.

namespace yomika {

class Prompter {
public:
    virtual ~Prompter() = default;

    /// Shows `text` with OK and Cancel, OK the default. True only when the
    /// user chose OK; Esc or closing the box is Cancel.
    virtual bool ask(QWidget* parent, const QString& text) = 0;

    /// Shows `text` with OK only.
    virtual void inform(QWidget* parent, const QString& text) = 0;

    /// The Open dialog: all files listed, read-only option hidden, starting
    /// at `initialName`. The chosen full path, or empty when cancelled.
    virtual QString chooseOpenFile(QWidget* parent, const QString& title,
                                   const QString& initialName) = 0;

    /// The Save dialog: no filter, no default extension, no confirmation
    /// when the file exists, read-only option hidden, starting at
    /// `initialName`. The chosen full path, or empty when cancelled.
    virtual QString chooseSaveFile(QWidget* parent, const QString& title,
                                   const QString& initialName) = 0;
};

/// The real dialogs: QMessageBox and QFileDialog.
class DialogPrompter : public Prompter {
public:
    bool ask(QWidget* parent, const QString& text) override;
    void inform(QWidget* parent, const QString& text) override;
    QString chooseOpenFile(QWidget* parent, const QString& title,
                           const QString& initialName) override;
    QString chooseSaveFile(QWidget* parent, const QString& title,
                           const QString& initialName) override;
};

/// The application title every message box shows.
inline QString applicationTitle() { return QStringLiteral("Yomika 2000"); }

} // namespace yomika
