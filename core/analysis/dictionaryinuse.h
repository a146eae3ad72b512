#pragma once

#include <QString>

// Which dictionary the analyzer uses, as it tells it: the program's resource
// file, the user's own and their names resolved as for a run.

namespace yomika {

struct DictionaryInUse {
    QString layout; // IPADIC, NAIST-jdic, UniDic, ...
    QString folder;
};

/// Asks `analyzer` (with the resource file `resourceFile`) which dictionary
/// it would use. Gives empty fields when it cannot tell (it is missing,
/// fails, or takes more than a few seconds).
[[nodiscard]] DictionaryInUse dictionaryInUse(const QString& analyzer, const QString& resourceFile);

/// The credit line of the About box for `dictionary`: its name and licence;
/// IPADIC's, the shipped one, when it is not known.
[[nodiscard]] QString dictionaryCredit(const DictionaryInUse& dictionary);

} // namespace yomika
