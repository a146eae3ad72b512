#include "tests/support/scriptedprompter.h"

namespace yomika::testsupport {

bool ScriptedPrompter::ask(const QString& text)
{
    calls.append({Kind::Ask, text, {}});
    if (answers.isEmpty()) {
        ++unexpected;
        return false;
    }
    return answers.takeFirst();
}

void ScriptedPrompter::inform(const QString& text)
{
    calls.append({Kind::Inform, text, {}});
}

QString ScriptedPrompter::chooseOpenFile(const QString& title, const QString& initialName)
{
    calls.append({Kind::Open, title, initialName});
    if (files.isEmpty()) {
        ++unexpected;
        return {};
    }
    return files.takeFirst();
}

QString ScriptedPrompter::chooseSaveFile(const QString& title, const QString& initialName)
{
    calls.append({Kind::Save, title, initialName});
    if (files.isEmpty()) {
        ++unexpected;
        return {};
    }
    return files.takeFirst();
}

QStringList ScriptedPrompter::texts(Kind kind) const
{
    QStringList result;
    for (const Call& call : calls) {
        if (call.kind == kind)
            result.append(call.text);
    }
    return result;
}

} // namespace yomika::testsupport
