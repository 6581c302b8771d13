#include "midi_devices.h"

#include <QCoreApplication>
#include <QPointer>
#include <chrono>
#include <cstdio>

#include "app/debug_log.h"
#include "arrange/midi_import.h"

namespace zel {
namespace {

// How often an open input checks that its device is still there.
constexpr int WatchIntervalMs = 1500;
// Messages handled per turn of the event loop: a flood of messages leaves the window
// responsive, the rest is handled at the next turn.
constexpr int DrainBatch = 2048;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// ---- TMidiDevices ----

TMidiDevices::TMidiDevices(std::shared_ptr<TMidiBackend> backend, bool inputs,
                           const char* className)
    : m_backend(std::move(backend)), m_inputs(inputs), m_className(className) {}

TMidiDevices::~TMidiDevices() = default;

void TMidiDevices::Enumerate() {
    m_devices.clear();
    for (auto& port : m_backend->Ports(m_inputs))
        m_devices.push_back({port.Name, port.Key, nullptr});
}

void TMidiDevices::CheckRange(int index) const {
    if (index < 0 || index >= Count()) {
        char text[96];
        std::snprintf(text, sizeof text, "%s: Device index out of bounds! (%d)", m_className,
                      index);
        throw TMidiError(text);
    }
}

void TMidiDevices::CloseAll() {
    for (int i = 0; i < Count(); ++i)
        Close(i);
}

std::vector<std::string> TMidiDevices::Names() const {
    std::vector<std::string> names;
    names.reserve(m_devices.size());
    for (const auto& device : m_devices)
        names.push_back(device.Name);
    return names;
}

bool TMidiDevices::IsOpen(int index) const {
    return index >= 0 && index < Count() && m_devices[size_t(index)].Handle != nullptr;
}

void TMidiDevices::Refresh() {
    std::vector<TMidiDevice> old = std::move(m_devices);
    Enumerate();
    for (auto& device : m_devices) {
        for (auto& before : old) {
            if (before.Handle && before.Key == device.Key) {
                device.Handle = std::move(before.Handle);
                break;
            }
        }
    }
    // Handles left in `old` belong to devices that are gone: they close here.
}

// ---- TMidiInput ----

TMidiInput::TMidiInput(std::shared_ptr<TMidiBackend> backend)
    : TMidiDevices(std::move(backend), true, "TMidiInput") {
    Enumerate();
    m_watch.setInterval(WatchIntervalMs);
    connect(&m_watch, &QTimer::timeout, this, &TMidiInput::CheckOpenDevices);
}

TMidiInput::~TMidiInput() {
    // Closing stops the service's threads from calling in before the queue goes.
    m_devices.clear();
}

void TMidiInput::Open(int index) {
    CheckRange(index);
    TMidiDevice& device = Entry(index);
    if (device.Handle)
        return;
    device.Handle =
        m_backend->OpenInput(device.Key, [this, index](const uint8_t* bytes, size_t size) {
            Receive(index, bytes, size);
        });
    DebugAdd("MIDI input opened: " + device.Name, MidiDebugColour);
    m_watch.start();
}

void TMidiInput::Close(int index) {
    CheckRange(index);
    TMidiDevice& device = Entry(index);
    if (!device.Handle)
        return;
    device.Handle.reset();
    DebugAdd("MIDI input closed: " + device.Name, MidiDebugColour);
    bool anyOpen = false;
    for (int i = 0; i < Count(); ++i)
        anyOpen = anyOpen || IsOpen(i);
    if (!anyOpen)
        m_watch.stop();
}

// On the service's thread: malformed messages go no further; the rest queue up for the
// user-interface thread, which is woken once per batch rather than once per message.
void TMidiInput::Receive(int index, const uint8_t* bytes, size_t size) {
    auto message = DecodeMidiMessage(index, bytes, size, NowNs());
    if (!message || !m_queue.TryPush(*message))
        return;
    Wake();
}

void TMidiInput::Wake() {
    if (m_wakePending.exchange(true, std::memory_order_acq_rel))
        return;
    QMetaObject::invokeMethod(this, &TMidiInput::Drain, Qt::QueuedConnection);
}

void TMidiInput::Drain() {
    m_wakePending.store(false, std::memory_order_release);
    TMidiMessage message;
    for (int n = 0; n < DrainBatch; ++n) {
        if (!m_queue.TryPop(message))
            return;
        m_arrivalNs = message.ArrivalNs;
        if (OnInput)
            OnInput(message.Device, message.Status, message.Data1, message.Data2);
    }
    // More are waiting: handle them at the next turn, after the window has had its events.
    Wake();
}

void TMidiInput::CheckOpenDevices() {
    auto ports = m_backend->Ports(true);
    std::vector<std::pair<int, QString>> lost;
    for (int i = 0; i < Count(); ++i) {
        TMidiDevice& device = Entry(i);
        if (!device.Handle)
            continue;
        bool present = false;
        for (const auto& port : ports)
            present = present || port.Key == device.Key;
        if (present)
            continue;
        Close(i);
        lost.emplace_back(i, QString::fromStdString(device.Name));
    }
    if (lost.empty())
        return;
    // The lists show the closed devices before anyone is told (a message box waits).
    emit DevicesChanged();
    for (auto& [index, name] : lost)
        emit DeviceLost(index, name);
}

// ---- TMidiOutput ----

namespace {

std::string Cut32(std::string name) {
    if (name.size() > 32)
        name.resize(32);
    return name;
}

} // namespace

TMidiOutput::TMidiOutput(std::shared_ptr<TMidiBackend> backend)
    : TMidiDevices(std::move(backend), false, "TMidiOutput") {
    Enumerate();
    for (auto& device : m_devices)
        device.Name = Cut32(device.Name);
}

void TMidiOutput::Open(int index) {
    CheckRange(index);
    TMidiDevice& device = Entry(index);
    if (!device.Handle)
        device.Handle = m_backend->OpenOutput(device.Key);
}

void TMidiOutput::Close(int index) {
    CheckRange(index);
    Entry(index).Handle.reset();
}

void TMidiOutput::Send(int index, uint8_t status, uint8_t data1, uint8_t data2) {
    CheckRange(index);
    Open(index);
    int length = MidiMessageLength(status);
    if (length == 0)
        throw TMidiError("TMidiOutput: not a short message status (" + std::to_string(status) +
                         ")");
    const uint8_t bytes[3] = {status, data1, data2};
    Entry(index).Handle->Send(bytes, size_t(length));
}

// ---- the singletons ----

namespace {

struct TMidiSingletons {
    std::shared_ptr<TMidiBackend> Backend;
    QPointer<TMidiInput> Input;
    QPointer<TMidiOutput> Output;
};

TMidiSingletons& Singletons() {
    static TMidiSingletons singletons;
    return singletons;
}

std::shared_ptr<TMidiBackend> Backend() {
    auto& s = Singletons();
    if (!s.Backend)
        s.Backend = SystemMidiBackend();
    return s.Backend;
}

// Parented to the application object, so the lists are destroyed, and their devices closed,
// when the program ends; without one (a tool before it made its application) they live on.
template <typename T> T& Make(QPointer<T>& slot) {
    if (!slot) {
        slot = new T(Backend());
        slot->setParent(QCoreApplication::instance());
    }
    return *slot;
}

} // namespace

TMidiInput& MidiInput() {
    return Make(Singletons().Input);
}
TMidiOutput& MidiOutput() {
    return Make(Singletons().Output);
}

void UseMidiBackend(std::shared_ptr<TMidiBackend> backend) {
    auto& s = Singletons();
    delete s.Input.data();
    delete s.Output.data();
    s.Backend = std::move(backend);
}

} // namespace zel
