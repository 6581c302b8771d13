#include "midi/midi_message.h"

namespace zel {

int MidiMessageLength(uint8_t status) {
    if (status < 0x80)
        return 0;
    switch (status >> 4) {
    case 0xC: // program change
    case 0xD: // channel pressure
        return 2;
    case 0xF:
        break;
    default: // note off, note on, key pressure, controller, pitch bend
        return 3;
    }
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    case 0xF6: // tune request
    case 0xF8: // clock
    case 0xFA: // start
    case 0xFB: // continue
    case 0xFC: // stop
    case 0xFE: // active sensing
    case 0xFF: // reset
        return 1;
    default: // SysEx (F0, F7) and the undefined F4, F5, F9, FD
        return 0;
    }
}

std::optional<TMidiMessage> DecodeMidiMessage(int device, const uint8_t* bytes, size_t size,
                                              int64_t arrivalNs) {
    if (!bytes || size == 0)
        return std::nullopt;
    int length = MidiMessageLength(bytes[0]);
    if (length == 0 || size != size_t(length))
        return std::nullopt;
    for (size_t i = 1; i < size; ++i)
        if (bytes[i] >= 0x80)
            return std::nullopt;
    TMidiMessage message;
    message.Device = device;
    message.Status = bytes[0];
    message.Data1 = size > 1 ? bytes[1] : 0;
    message.Data2 = size > 2 ? bytes[2] : 0;
    message.ArrivalNs = arrivalNs;
    return message;
}

TMidiMessageQueue::TMidiMessageQueue() : m_slots(std::make_unique<std::array<TSlot, Capacity>>()) {
    for (size_t i = 0; i < Capacity; ++i)
        (*m_slots)[i].Sequence.store(i, std::memory_order_relaxed);
}

bool TMidiMessageQueue::TryPush(const TMidiMessage& message) {
    size_t position = m_tail.load(std::memory_order_relaxed);
    for (;;) {
        TSlot& slot = (*m_slots)[position & (Capacity - 1)];
        size_t sequence = slot.Sequence.load(std::memory_order_acquire);
        auto difference = static_cast<std::ptrdiff_t>(sequence - position);
        if (difference == 0) {
            // The slot is free for this lap: claim it, or try again from where another
            // producer left the tail.
            if (m_tail.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
                slot.Message = message;
                slot.Sequence.store(position + 1, std::memory_order_release);
                return true;
            }
        } else if (difference < 0) {
            // The slot still holds a message of the previous lap: the queue is full.
            m_dropped.fetch_add(1, std::memory_order_relaxed);
            return false;
        } else {
            position = m_tail.load(std::memory_order_relaxed);
        }
    }
}

bool TMidiMessageQueue::TryPop(TMidiMessage& message) {
    size_t position = m_head.load(std::memory_order_relaxed);
    TSlot& slot = (*m_slots)[position & (Capacity - 1)];
    size_t sequence = slot.Sequence.load(std::memory_order_acquire);
    if (static_cast<std::ptrdiff_t>(sequence - (position + 1)) < 0)
        return false; // empty, or a producer has claimed the slot but not filled it yet
    message = slot.Message;
    m_head.store(position + 1, std::memory_order_relaxed);
    slot.Sequence.store(position + Capacity, std::memory_order_release);
    return true;
}

bool TMidiHandOff::Receive(int device, const uint8_t* bytes, size_t size, int64_t arrivalNs) {
    auto message = DecodeMidiMessage(device, bytes, size, arrivalNs);
    if (!message || !m_queue.TryPush(*message))
        return false;
    // A read-modify-write on the flag on both sides: either this exchange comes after the
    // drain's and sees it cleared (and wakes), or before it, and the drain sees the message.
    return !m_wakePending.exchange(true, std::memory_order_seq_cst);
}

bool TMidiHandOff::Drain(const std::function<bool(const TMidiMessage&)>& handle) {
    m_wakePending.exchange(false, std::memory_order_seq_cst);
    TMidiMessage message;
    while (m_queue.TryPop(message)) {
        if (!handle(message))
            return !m_wakePending.exchange(true, std::memory_order_seq_cst);
    }
    return false;
}

} // namespace zel
