#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "core/model/viewparts.h"

namespace yomika::testsupport {

/// A Prompter that answers from a script and records every call, so that
/// tests run each branch of each question without a person. A call that
/// finds no scripted answer is recorded as unexpected and answered with
/// Cancel (or nothing).
class ScriptedPrompter : public Prompter {
public:
    enum class Kind { Ask, Inform, Open, Save };
    struct Call {
        Kind kind;
        QString text;        // message text, or the dialog's title
        QString initialName; // dialogs only
    };

    /// Answers for ask(): true is OK.
    QList<bool> answers;
    /// File names for the dialogs, in order; an empty name is a cancel.
    QStringList files;
    QList<Call> calls;
    int unexpected = 0;

    bool ask(const QString& text) override;
    void inform(const QString& text) override;
    QString chooseOpenFile(const QString& title, const QString& initialName) override;
    QString chooseSaveFile(const QString& title, const QString& initialName) override;

    /// The texts of all calls of one kind, in order.
    QStringList texts(Kind kind) const;
};

} // namespace yomika::testsupport
