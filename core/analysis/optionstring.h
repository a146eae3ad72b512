#pragma once

#include <array>

#include <QString>
#include <QStringList>

// The analyzer's output-format option, built from the six field check boxes
// and the delimiter text, and the history of option strings used.

namespace yomika {

/// The fields of a morpheme the analyzer may print, in their fixed order.
enum Field { SurfaceField, BaseFormField, ReadingField, PronunciationField, PartOfSpeechField, InflectionField };

/// How many fields there are.
inline constexpr int fieldCount = InflectionField + 1;

/// Which of the fields are set, in the order of Field.
using FieldSet = std::array<bool, fieldCount>;

/// The delimiter texts offered in the delimiter's list, in their order: tab,
/// blank, line break and comma.
QStringList delimiterChoices();

/// The option string for the fields and delimiter text: "-F", a blank and the
/// quoted directives joined by the delimiter and ended by backslash-n; the
/// empty string when no field is set. The delimiter text "(タブ)" gives "\t"
/// (backslash, t), "(空白)" a blank, "(改行)" "\n" (backslash, n); any other
/// text, the empty one included, stands as it is.
QString buildOptionString(const FieldSet& fields, const QString& delimiterText);

/// `text` fit for a one-line control or a line of the settings file: each
/// line break (CR, LF) becomes a blank, so the length stays as it was.
QString withoutLineBreaks(QString text);

/// The history after recording `text`: every entry equal to it is removed and
/// it is put first. An empty `text` leaves the history unchanged.
QStringList recordOptionHistory(QStringList history, const QString& text);

} // namespace yomika
