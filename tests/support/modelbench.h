#pragma once

// A WindowModel without a window: panes and text controls over plain strings,
// a scripted prompter, a clipboard in memory and a busy pointer that counts,
// on a program directory in a temporary folder with the fake analyzer
// installed under the analyzer's name. Test-only.

#include <optional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/files/platform.h"
#include "core/files/programfiles.h"
#include "core/model/windowmodel.h"
#include "tests/support/scriptedprompter.h"

namespace yomika::testsupport {

/// A text control over a string; a pane when `pane` is set.
class StringControl : public Pane {
public:
    explicit StringControl(bool pane = true) : m_pane(pane) {}
    QString value;
    qsizetype start = 0, length = 0;
    bool focused = false;

    QString text() const override { return value; }
    qsizetype selectionStart() const override { return start; }
    qsizetype selectionLength() const override { return length; }
    QString selectedText() const override { return value.mid(start, length); }
    void setText(const QString& text) override { value = text, start = length = 0; }
    void setSelection(qsizetype s, qsizetype l) override { start = s, length = l; }
    void focus() override { focused = true; }
    bool isPane() const override { return m_pane; }

private:
    bool m_pane;
};

class MemoryClipboard : public Clipboard {
public:
    std::optional<QString> content = QString();
    bool refuses = false; // another program holds the clipboard
    std::optional<QString> readText() override { return refuses ? std::nullopt : content; }
    bool writeText(const QString& text) override
    {
        if (!refuses)
            content = text;
        return !refuses;
    }
};

class BusyCount : public BusyPointer {
public:
    bool shown = false;
    int shows = 0;
    void showBusy(bool busy) override { shown = busy, shows += busy; }
};

/// The model on a fresh program directory: the temporary folder, or a
/// folder `program` in it.
struct ModelBench {
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/yomika dir-XXXXXX")};
    ProgramFolders folders;
    StringControl sentence, result, combo{false};
    TextControl* focus = nullptr;
    ScriptedPrompter prompter;
    MemoryClipboard clipboard;
    BusyCount busy;
    std::optional<WindowModel> model;

    explicit ModelBench(const QString& program = {})
        : folders(ProgramFolders::portable(program.isEmpty() ? dir.path() : dir.filePath(program)))
    {
        QDir().mkpath(folders.program);
        QFile::copy(QStringLiteral(YOMIKA_FAKE_ANALYZER), folders.analyzer());
        restart();
    }
    /// A new model on the same folders and view parts, as at the program's next start.
    void restart() { model.emplace(folders, ViewParts{&sentence, &result, [this] { return focus; }, &prompter, &clipboard, &busy}); }
    /// Lets the run the last command began end and its outcome be taken;
    /// false when it lasted a minute.
    bool settled() { return QTest::qWaitFor([this] { return !model->isRunning(); }, 60000); }
    QString file(QStringView name) const { return folders.file(name); }
    QByteArray bytes(QStringView name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool write(QStringView name, const QByteArray& bytes) const
    {
        QFile f(file(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    /// What the fake analyzer answers to `text`: the text, then its arguments.
    QString echo(const QString& text, const QString& options = QStringLiteral("-F %m")) const
    {
        QString args = QStringLiteral("[-r][%1][-o][%2]")
                           .arg(file(programfile::resourceFile), file(programfile::outputFile));
        for (const QString& o : options.split(u' '))
            args += u'[' + o + u']';
        return text + args + u'[' + file(programfile::inputFile) + QStringLiteral("]\n");
    }
};

} // namespace yomika::testsupport
