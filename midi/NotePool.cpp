#include "NotePool.h"

namespace tonwerk::midi {

void NotePool::reset() {
    for (int i = 0; i < kCapacity; ++i) {
        m_notes[static_cast<std::size_t>(i)] = RunningNote{};
        m_notes[static_cast<std::size_t>(i)].next = static_cast<std::int16_t>(i + 1 < kCapacity ? i + 1 : -1);
    }
    m_freeHead = 0;
    m_freeCount = kCapacity;
}

int NotePool::take(NoteList& list) {
    if (m_freeHead < 0) {
        return -1;
    }
    const int index = m_freeHead;
    RunningNote& note = at(index);
    m_freeHead = note.next;
    --m_freeCount;
    note = RunningNote{};
    note.prev = list.tail;
    note.next = -1;
    if (list.tail >= 0) {
        at(list.tail).next = static_cast<std::int16_t>(index);
    } else {
        list.head = static_cast<std::int16_t>(index);
    }
    list.tail = static_cast<std::int16_t>(index);
    return index;
}

void NotePool::release(NoteList& list, int index) {
    RunningNote& note = at(index);
    if (note.prev >= 0) {
        at(note.prev).next = note.next;
    } else {
        list.head = note.next;
    }
    if (note.next >= 0) {
        at(note.next).prev = note.prev;
    } else {
        list.tail = note.prev;
    }
    note.prev = -1;
    note.next = m_freeHead;
    m_freeHead = static_cast<std::int16_t>(index);
    ++m_freeCount;
}

void NotePool::releaseAll(NoteList& list) {
    while (!list.empty()) {
        release(list, list.head);
    }
}

} // namespace tonwerk::midi
