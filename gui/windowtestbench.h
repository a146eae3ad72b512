#pragma once

// What the tests of the run, the panes and the results share: a program
// directory in a temporary folder with the fake analyzer installed under the
// analyzer's name, and a shown window on it whose dialogs are scripted.
// Test-only; the test targets define YOMIKA_FAKE_ANALYZER.

#include <memory>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/codepage.h"
#include "core/platform.h"
#include "tests/support/scriptedprompter.h"
#include "gui/exacttextedit.h"
#include "gui/mainwindow.h"
#include "gui/widgets.h"

namespace yomika::testbench {

using testsupport::ScriptedPrompter;
using Kind = ScriptedPrompter::Kind;

/// A folder that stands for the program directory.
class ProgramDir {
public:
    explicit ProgramDir(const QString& nameTemplate = QString())
        : m_dir(nameTemplate.isEmpty() ? QDir::tempPath() + QStringLiteral("/yomika-XXXXXX")
                                       : QDir::tempPath() + u'/' + nameTemplate)
    {
    }

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    /// A fixed file of the directory, named as the window names it ("dic\kotokarc").
    QString file(const QString& name) const { return platform::joinPath(m_dir.path(), name); }
    QString analyzer() const { return file(platform::analyzerFileName()); }

    /// Copies the fake analyzer in under the analyzer's name.
    bool installFakeAnalyzer() const
    {
        QFile::remove(analyzer());
        return QFile::copy(QStringLiteral(YOMIKA_FAKE_ANALYZER), analyzer());
    }

    bool exists(const QString& name) const { return QFile::exists(file(name)); }

    /// The bytes of a file; a null array when it cannot be read.
    QByteArray bytes(const QString& name) const { return bytesAt(file(name)); }

    static QByteArray bytesAt(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        QByteArray all = f.readAll();
        if (all.isNull())
            all = QByteArray(""); // an empty file reads as empty, not null
        return all;
    }

    static bool writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    }

    bool write(const QString& name, const QByteArray& bytes) const
    {
        return writeBytes(file(name), bytes);
    }

private:
    QTemporaryDir m_dir;
};

/// What the fake analyzer writes after the echoed input: every argument in
/// brackets, then LF.
inline QString fakeArguments(const ProgramDir& dir, const QStringList& options)
{
    QString line = QStringLiteral("[-r][%1][-o][%2]").arg(dir.file(QStringLiteral("dic\\kotokarc")),
                                                         dir.file(QStringLiteral("output.tmp")));
    for (const QString& option : options)
        line += u'[' + option + u']';
    return line + u'[' + dir.file(QStringLiteral("input.tmp")) + QStringLiteral("]\n");
}

/// The fake analyzer's whole answer to `text` with the window's initial option string.
inline QString fakeEcho(const ProgramDir& dir, const QString& text)
{
    return text + fakeArguments(dir, {QStringLiteral("-F"), QStringLiteral("%m")});
}

/// A shown, active window on `dir`, with a scripted prompter.
struct Bench {
    std::unique_ptr<MainWindow> window;
    ScriptedPrompter* prompter = nullptr;

    explicit Bench(const QString& programDir,
                   std::unique_ptr<ScriptedPrompter> scripted = std::make_unique<ScriptedPrompter>())
    {
        prompter = scripted.get();
        window = std::make_unique<MainWindow>(programDir, std::move(scripted));
        window->show();
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window.get());
    }

    ExactTextEdit* sentence() const { return window->findChild<ExactTextEdit*>(QStringLiteral("Sentence")); }
    ExactTextEdit* result() const { return window->findChild<ExactTextEdit*>(QStringLiteral("Result")); }
    LineComboBox* optionList() const { return window->findChild<LineComboBox*>(QStringLiteral("OptionList")); }
    QAction* action(const QString& name) const { return window->findChild<QAction*>(name); }

    void setPanes(const QString& s, const QString& r) const
    {
        sentence()->setText(s);
        result()->setText(r);
    }
    PanePair panes() const { return {sentence()->text(), result()->text()}; }

    QStringList optionHistory() const
    {
        QStringList items;
        for (int i = 0; i < optionList()->count(); ++i)
            items.append(optionList()->itemText(i));
        return items;
    }
};

/// The busy pointer is the default one again.
inline bool pointerIsDefault()
{
    return QApplication::overrideCursor() == nullptr;
}

} // namespace yomika::testbench
