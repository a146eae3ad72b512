#include "window/prompter.h"

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
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::AnyFile
                                                       : QFileDialog::AnyFile);
    // No filter and no default suffix: every file is listed, the name is
    // taken as typed. Nothing is confirmed or checked for existence.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.constFirst();
}

} // namespace

bool DialogPrompter::ask(QWidget* parent, const QString& text)
{
    return showBox(parent, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void DialogPrompter::inform(QWidget* parent, const QString& text)
{
    showBox(parent, text, QMessageBox::Ok);
}

QString DialogPrompter::chooseOpenFile(QWidget* parent, const QString& title,
                                       const QString& initialName)
{
    return runFileDialog(parent, title, initialName, QFileDialog::AcceptOpen);
}

QString DialogPrompter::chooseSaveFile(QWidget* parent, const QString& title,
                                       const QString& initialName)
{
    return runFileDialog(parent, title, initialName, QFileDialog::AcceptSave);
}

} // namespace yomika
