#include "core/model/undoring.h"

#include <utility>

namespace yomika {

void UndoRing::push(const PanePair& current)
{
    if (current.isEmpty())
        return;
    m_index = (m_index + 1) % 3;
    m_slots[m_index] = current;
    m_slots[(m_index + 1) % 3] = PanePair{};
}

bool UndoRing::undo(PanePair& panes)
{
    const int i = m_index;
    if (m_slots[i].isEmpty())
        return false;
    std::swap(panes.sentence, m_slots[i].sentence);
    std::swap(panes.result, m_slots[i].result);
    m_index = (i + 2) % 3;
    return true;
}

bool UndoRing::redo(PanePair& panes)
{
    const int j = (m_index + 1) % 3;
    if (m_slots[j].isEmpty())
        return false;
    m_index = j;
    std::swap(panes.sentence, m_slots[j].sentence);
    std::swap(panes.result, m_slots[j].result);
    return true;
}

} // namespace yomika
