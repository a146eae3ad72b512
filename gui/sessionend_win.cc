// Windows tells a window program that the session ends through window
// messages, which Qt turns into the session manager's requests; a program
// without a console receives no termination signals to watch.

#include "gui/sessionend.h"

namespace yomika::sessionend {

bool watchTerminationSignals(QObject*, std::function<void()>)
{
    return false;
}

void unwatchTerminationSignals() {}

} // namespace yomika::sessionend
