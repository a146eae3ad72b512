#pragma once

#include <array>

#include <QString>

// The undo history of the pane pair: a ring of three slots, so at most two
// steps back. A slot whose two texts are both empty counts as empty; that is
// the only bound of the history.

namespace yomika {

struct PanePair {
    QString sentence;
    QString result;
    bool isEmpty() const { return sentence.isEmpty() && result.isEmpty(); }
    friend bool operator==(const PanePair&, const PanePair&) = default;
};

class UndoRing {
public:
    /// Saves `current` in the next slot and empties the slot after it. A pair
    /// of two empty texts changes nothing.
    void push(const PanePair& current);

    /// Exchanges `panes` (what is on screen) with the slot of the index and
    /// steps back. False, and nothing changed, when that slot is empty.
    bool undo(PanePair& panes);

    /// Steps forward and exchanges `panes` with that slot. False, and
    /// nothing changed, when that slot is empty.
    bool redo(PanePair& panes);

private:
    std::array<PanePair, 3> m_slots;
    int m_index = 0;
};

} // namespace yomika
