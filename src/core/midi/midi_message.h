// MIDI messages as the keyboard input receives them: three bytes and the index of the device
// they came from, checked for shape, and a bounded queue that carries them from the MIDI
// service's thread to the user-interface thread without locks.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace zel {

struct TMidiMessage {
    int Device = 0;
    uint8_t Status = 0;
    uint8_t Data1 = 0;
    uint8_t Data2 = 0;
    int64_t ArrivalNs = 0; // steady clock, when the input received it
};

constexpr uint8_t MidiActiveSensing = 0xFE;
constexpr uint8_t MidiClock = 0xF8;

// The number of bytes a complete message with this status byte has: 1 to 3; 0 for SysEx and
// for the undefined status bytes, which are not short messages, and for data bytes.
int MidiMessageLength(uint8_t status);

// A short message from raw bytes: the status byte, then exactly its data bytes, each below
// 128. Anything else (empty, a running-status fragment, truncated, too long, SysEx) is none.
std::optional<TMidiMessage> DecodeMidiMessage(int device, const uint8_t* bytes, size_t size,
                                              int64_t arrivalNs = 0);

// A bounded multi-producer, single-consumer queue of messages (one MIDI thread per open
// device pushes, the user-interface thread pops). Each slot carries a sequence number, so a
// push or pop claims a slot with one atomic step and never waits on a lock; when the queue is
// full the message is dropped and counted, so a flood cannot grow memory.
class TMidiMessageQueue {
public:
    static constexpr size_t Capacity = 4096; // a power of two

    TMidiMessageQueue();
    bool TryPush(const TMidiMessage& message);
    bool TryPop(TMidiMessage& message);
    uint64_t Dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    struct TSlot {
        std::atomic<size_t> Sequence{0};
        TMidiMessage Message;
    };
    std::unique_ptr<std::array<TSlot, Capacity>> m_slots;
    alignas(64) std::atomic<size_t> m_tail{0}; // next slot to push
    alignas(64) std::atomic<size_t> m_head{0}; // next slot to pop
    alignas(64) std::atomic<uint64_t> m_dropped{0};
};

// Carries received messages from the MIDI service's threads to the user-interface thread. A
// message that arrives while no wake-up is pending asks for one; a drain clears the request
// before it looks at the queue, so a message pushed at any moment is either seen by the
// running drain or wakes the next one.
class TMidiHandOff {
public:
    // On a service thread: checks and queues the bytes. True when the caller must wake the
    // user-interface thread (which then calls Drain).
    bool Receive(int device, const uint8_t* bytes, size_t size, int64_t arrivalNs);
    // On the user-interface thread: hands each queued message to `handle` in arrival order
    // until the queue is empty or `handle` returns false. True when messages are left and the
    // caller must wake itself again.
    bool Drain(const std::function<bool(const TMidiMessage&)>& handle);
    uint64_t Dropped() const { return m_queue.Dropped(); }

private:
    TMidiMessageQueue m_queue;
    std::atomic<bool> m_wakePending{false};
};

} // namespace zel
