// Any settings file at all is read without a crash, a hang or a sanitizer
// report, gives a read that holds together, and what was read writes back as
// a file that reads the same way.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArrayView>

#include "core/codepage.h"
#include "core/settingsfile.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool holdsLineBreak(const QString& value)
{
    return value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace yomika;
    const SettingsRead read = parseSettingsFile(QByteArrayView(data, qsizetype(size)));

    // Values come in file order and stop at the first fault.
    check(read.states.size() <= std::size_t(settingsStateCount));
    check(!read.delimiter || read.states.size() == std::size_t(settingsStateCount));
    check(!read.appendFileName || read.delimiter);
    check(read.complete == read.appendFileName.has_value());
    check(read.complete || read.history.isEmpty());
    for (Qt::CheckState state : read.states)
        check(state == Qt::Unchecked || state == Qt::Checked || state == Qt::PartiallyChecked);
    check(!read.delimiter || !holdsLineBreak(*read.delimiter));
    check(!read.appendFileName || !holdsLineBreak(*read.appendFileName));
    for (const QString& entry : read.history)
        check(!holdsLineBreak(entry));

    // What the window would hold after this start, written at shut-down.
    Settings settings;
    settings.states = {Qt::Checked, Qt::Unchecked, Qt::Unchecked, Qt::Unchecked, Qt::Unchecked, Qt::Unchecked};
    for (std::size_t i = 0; i < read.states.size(); ++i)
        settings.states[i] = read.states[i];
    settings.delimiter = read.delimiter.value_or(QStringLiteral("(タブ)"));
    settings.appendFileName = read.appendFileName.value_or(QString());
    settings.history = read.history;

    const QString text = settingsText(settings);
    const SettingsRead again = parseSettingsText(text);
    check(again.complete);
    check(again.states.size() == std::size_t(settingsStateCount));
    for (int i = 0; i < settingsStateCount; ++i)
        check(again.states[i] == settings.states[i]);
    check(*again.delimiter == settings.delimiter);
    check(*again.appendFileName == settings.appendFileName);
    check(again.history == settings.history);

    // Through the code page a character may turn into "?", but every value
    // keeps its own line.
    const SettingsRead fromBytes = parseSettingsFile(codepage::encode(text));
    check(fromBytes.complete);
    check(fromBytes.states == again.states);
    check(fromBytes.history.size() == again.history.size());
    return 0;
}
