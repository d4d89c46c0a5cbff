#pragma once

#include <array>
#include <cstdint>

namespace tonwerk::midi {

// The note-number meaning of RunningNote::outStatus for notes that sound nothing.
inline constexpr std::uint8_t kSwallowedByPlaying = 254; // staccato, legato or note number
inline constexpr std::uint8_t kSwallowedByMono = 255;    // monophony or note number
inline constexpr std::uint8_t kReleasedKey = 255;        // inKey of a sample note held by the pedal

// A note the dispatcher let through or swallowed, kept until its note-off.
struct RunningNote {
    std::int16_t next = -1; // pool index, -1 = none
    std::int16_t prev = -1;
    std::uint8_t inChannel = 0;
    std::uint8_t inKey = 0;
    std::uint8_t inVelocity = 0;
    std::uint8_t outStatus = 0;
    std::uint8_t outKey = 0;
    std::uint8_t outVelocity = 0;
    std::int8_t split = -1; // split index, -1 = none (a monophony list entry)
    std::uint8_t task = 0;  // the split's task when the note started
    // What the note-on did to the split's effect state, so that the note-off undoes exactly that
    // even when the split's effects were edited in between.
    std::uint8_t heldIncrements = 0; // times staccato/legato counted the key in heldCount
    std::uint8_t monoEntries = 0;    // entries monophony put on the split's heldNotes
    std::int16_t voice = -1;         // audio voice handle of a sample note
};

// A doubly linked list of pool entries, in the order they were appended.
struct NoteList {
    std::int16_t head = -1;
    std::int16_t tail = -1;
    [[nodiscard]] bool empty() const { return head < 0; }
};

// The fixed pool of 512 running notes. Entries move free -> a list -> free; nothing is allocated
// after construction. Not thread-safe: the dispatcher's thread owns it.
class NotePool {
public:
    static constexpr int kCapacity = 512;

    NotePool() { reset(); }

    // Every entry free, every list handed in empty. Lists outside the pool must be cleared by the
    // caller (reset() does not know them).
    void reset();

    [[nodiscard]] int freeCount() const { return m_freeCount; }

    // Takes a free entry (zeroed but for the links) and appends it to `list`; -1 when none is free.
    int take(NoteList& list);
    // Unlinks `index` from `list` and returns it to the free list.
    void release(NoteList& list, int index);
    // Returns every entry of `list` to the free list.
    void releaseAll(NoteList& list);

    [[nodiscard]] RunningNote& at(int index) { return m_notes[static_cast<std::size_t>(index)]; }
    [[nodiscard]] const RunningNote& at(int index) const { return m_notes[static_cast<std::size_t>(index)]; }

private:
    std::array<RunningNote, kCapacity> m_notes{};
    std::int16_t m_freeHead = -1;
    int m_freeCount = 0;
};

} // namespace tonwerk::midi
