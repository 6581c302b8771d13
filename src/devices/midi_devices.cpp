#include "midi_devices.h"

#include <QCoreApplication>
#include <QPointer>
#include <chrono>
#include <cstdio>

#include "arrange/midi_import.h"
#include "base/debug_log.h"

namespace zel {
namespace {

// How often an open input checks that its device is still there.
constexpr int WatchIntervalMs = 1500;
// How long one turn of the event loop may spend on received messages.
constexpr int64_t DrainBudgetNs = 5'000'000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// ---- TMidiDevices ----

TMidiDevices::TMidiDevices(std::shared_ptr<TMidiBackend> backend, bool inputs,
                           const char* className, size_t nameLimit)
    : m_backend(std::move(backend)), m_inputs(inputs), m_className(className),
      m_nameLimit(nameLimit) {}

TMidiDevices::~TMidiDevices() = default;

void TMidiDevices::Enumerate() {
    m_devices.clear();
    for (auto& port : m_backend->Ports(m_inputs)) {
        std::string name = port.Name;
        if (m_nameLimit && name.size() > m_nameLimit)
            name.resize(m_nameLimit);
        m_devices.push_back({name, port.Key, nullptr, nullptr});
    }
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
    for (size_t i = 0; i < m_devices.size(); ++i) {
        for (auto& before : old) {
            if (before.Handle && before.Key == m_devices[i].Key) {
                m_devices[i].Handle = std::move(before.Handle);
                m_devices[i].Index = std::move(before.Index);
                m_devices[i].Index->store(int(i));
                break;
            }
        }
    }
    // Handles left in `old` belong to open devices that are gone: they close here.
    std::vector<std::pair<int, QString>> lost;
    for (size_t i = 0; i < old.size(); ++i) {
        if (old[i].Handle) {
            old[i].Handle.reset();
            lost.emplace_back(int(i), QString::fromStdString(old[i].Name));
        }
    }
    ReportLost(lost);
}

void TMidiDevices::ReportLost(const std::vector<std::pair<int, QString>>& lost) {
    if (lost.empty())
        return;
    emit DevicesChanged();
    for (auto& [index, name] : lost)
        emit DeviceLost(index, name);
}

// ---- TMidiInput ----

TMidiInput::TMidiInput(std::shared_ptr<TMidiBackend> backend)
    : TMidiDevices(std::move(backend), true, "TMidiInput") {
    Enumerate();
    m_watch.setInterval(WatchIntervalMs);
    connect(&m_watch, &QTimer::timeout, this, &TMidiInput::CheckOpenDevices);
}

TMidiInput::~TMidiInput() {
    m_watch.stop();
    // Closing stops the service's threads from calling in before the queue goes.
    m_devices.clear();
}

void TMidiInput::Open(int index) {
    CheckRange(index);
    TMidiDevice& device = Entry(index);
    if (device.Handle)
        return;
    auto where = std::make_shared<std::atomic<int>>(index);
    device.Handle =
        m_backend->OpenInput(device.Key, [this, where](const uint8_t* bytes, size_t size) {
            // On the service's thread: malformed messages go no further; the rest queue up
            // for the user-interface thread, woken once per batch rather than per message.
            if (m_handOff.Receive(where->load(std::memory_order_relaxed), bytes, size, NowNs()))
                Wake();
        });
    device.Index = std::move(where);
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

void TMidiInput::Wake() {
    QMetaObject::invokeMethod(this, &TMidiInput::Drain, Qt::QueuedConnection);
}

void TMidiInput::Drain() {
    int64_t start = NowNs();
    bool more = m_handOff.Drain([this, start](const TMidiMessage& message) {
        m_arrivalNs = message.ArrivalNs;
        if (OnInput)
            OnInput(message.Device, message.Status, message.Data1, message.Data2);
        return NowNs() - start < DrainBudgetNs;
    });
    // More are waiting: they follow at the next turn, after the window has had its events.
    if (more)
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
    ReportLost(lost);
}

// ---- TMidiOutput ----

// Output names are cut to 32 characters, as the system's device lists have always shown them.
TMidiOutput::TMidiOutput(std::shared_ptr<TMidiBackend> backend)
    : TMidiDevices(std::move(backend), false, "TMidiOutput", 32) {
    Enumerate();
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
