// Any settings file at all is read without a crash, a hang or a sanitizer
// report, gives a read that holds together, and what was read writes back as
// a file that reads the same way.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArrayView>

#include "core/files/textcodec.h"
#include "core/model/settingsfile.h"

#define CHECK(condition) if (!(condition)) std::abort()

static bool oneLine(const QString& value)
{
    return !value.contains(u'\r') && !value.contains(u'\n');
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace yomika;
    const SettingsRead read = parseSettingsText(decodeText(QByteArrayView(data, qsizetype(size))));

    // Values come in file order and stop at the first fault.
    const std::size_t all = std::size_t(settingsStateCount);
    CHECK(read.states.size() <= all && (!read.delimiter || read.states.size() == all));
    CHECK(read.complete == read.appendFileName.has_value() && (!read.appendFileName || read.delimiter));
    CHECK(read.complete || read.history.isEmpty());
    CHECK(oneLine(read.delimiter.value_or(QString())) && oneLine(read.appendFileName.value_or(QString())));
    for (const QString& entry : read.history)
        CHECK(oneLine(entry));

    // What the window would hold after this start, written at shut-down.
    Settings settings;
    settings.states = {Qt::Checked, Qt::Unchecked, Qt::Unchecked, Qt::Unchecked, Qt::Unchecked, Qt::Unchecked};
    std::copy(read.states.begin(), read.states.end(), settings.states.begin());
    settings.delimiter = read.delimiter.value_or(QStringLiteral("(タブ)"));
    settings.appendFileName = read.appendFileName.value_or(QString());
    settings.history = read.history;

    const QString text = settingsText(settings);
    const SettingsRead again = parseSettingsText(text);
    CHECK(again.complete && std::equal(again.states.begin(), again.states.end(), settings.states.begin(),
                                       settings.states.end()));
    CHECK(*again.delimiter == settings.delimiter && *again.appendFileName == settings.appendFileName);
    CHECK(again.history == settings.history);

    // Through the bytes of the file, as it is written, everything comes back.
    const SettingsRead fromBytes = parseSettingsText(decodeText(text.toUtf8()));
    CHECK(fromBytes.complete && fromBytes.states == again.states);
    CHECK(fromBytes.history == again.history || text.contains(QChar(0xFFFD)) || !text.isValidUtf16());
    return 0;
}
