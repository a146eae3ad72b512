#include "gui/dialogprompter.h"

#include <QFileDialog>
#include <QMessageBox>

namespace yomika {

namespace {

int showBox(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, buttons, parent);
    box.setDefaultButton(QMessageBox::Ok);
    if (buttons & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    return box.exec();
}

QString runFileDialog(QWidget* parent, const QString& title, const QString& initialName,
                      QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(mode);
    // Any name is taken as typed, existing or not, in both dialogs: a file
    // that cannot be read is reported by the command that reads it. No
    // filter and no default suffix, so every file is listed; no question
    // when the chosen file exists.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.constFirst();
}

} // namespace

bool DialogPrompter::ask(const QString& text)
{
    return showBox(m_parent, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void DialogPrompter::inform(const QString& text)
{
    showBox(m_parent, text, QMessageBox::Ok);
}

QString DialogPrompter::chooseOpenFile(const QString& title, const QString& initialName)
{
    return runFileDialog(m_parent, title, initialName, QFileDialog::AcceptOpen);
}

QString DialogPrompter::chooseSaveFile(const QString& title, const QString& initialName)
{
    return runFileDialog(m_parent, title, initialName, QFileDialog::AcceptSave);
}

} // namespace yomika
