#pragma once

#include "core/model/viewparts.h"

class QWidget;

namespace yomika {

/// The real questions, messages and file dialogs: QMessageBox and
/// QFileDialog, modal on `parent`.
class DialogPrompter : public Prompter {
public:
    explicit DialogPrompter(QWidget* parent = nullptr)
        : m_parent(parent)
    {
    }
    bool ask(const QString& text) override;
    void inform(const QString& text) override;
    QString chooseOpenFile(const QString& title, const QString& initialName) override;
    QString chooseSaveFile(const QString& title, const QString& initialName) override;

private:
    QWidget* m_parent;
};

} // namespace yomika
