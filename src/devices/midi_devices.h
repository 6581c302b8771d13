// The MIDI device layer: the lists of input and output devices, opening and closing them,
// sending short messages, and received messages handed to the user-interface thread. The
// devices come from a MIDI backend: the system's MIDI service (ALSA sequencer and JACK on
// Linux), or a stand-in in tests.
#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "midi/midi_message.h"

namespace zel {

// A device error; the text is what the user is shown.
class TMidiError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A port as the backend lists it: the name a user recognises (client and port) and the key
// the backend opens it by.
struct TMidiPortName {
    std::string Name;
    std::string Key;
};

// An open port. Destroying it closes the port; an input's receive function is no longer
// called once the destructor has returned.
class TMidiPort {
public:
    virtual ~TMidiPort() = default;
    virtual void Send(const uint8_t* bytes, size_t size) = 0; // throws TMidiError
};

class TMidiBackend {
public:
    using TReceive = std::function<void(const uint8_t* bytes, size_t size)>;
    virtual ~TMidiBackend() = default;
    // The ports that exist now, in a stable order. Never throws: a service that is not there
    // has no ports.
    virtual std::vector<TMidiPortName> Ports(bool inputs) = 0;
    // Opens a port by its key; `receive` is called on the service's own thread, one message at
    // a time. Throws TMidiError with the service's description when the port cannot be opened.
    virtual std::unique_ptr<TMidiPort> OpenInput(const std::string& key, TReceive receive) = 0;
    virtual std::unique_ptr<TMidiPort> OpenOutput(const std::string& key) = 0;
};

// The system's MIDI service through RtMidi.
std::shared_ptr<TMidiBackend> SystemMidiBackend();

struct TMidiDevice {
    std::string Name;
    std::string Key;
    std::unique_ptr<TMidiPort> Handle; // none while the device is closed
    // Where the device is in the list now; an open input's messages carry it, and a refresh
    // that moves the device moves it too.
    std::shared_ptr<std::atomic<int>> Index;
};

class TMidiDevices : public QObject {
    Q_OBJECT
public:
    ~TMidiDevices() override;

    virtual void Open(int index) = 0;
    virtual void Close(int index) = 0;
    void CloseAll();
    // Throws "<class>: Device index out of bounds! (<index>)" outside the list.
    void CheckRange(int index) const;

    int Count() const { return int(m_devices.size()); }
    const std::vector<TMidiDevice>& Devices() const { return m_devices; }
    std::vector<std::string> Names() const;
    bool IsOpen(int index) const;

    // Lists the devices again: devices that are still there keep their handle (an open device
    // stays open), new ones are added closed, open devices that are gone are closed, dropped
    // and reported as lost.
    void Refresh();

signals:
    // Open devices disappeared (their service stopped or they were unplugged); they have been
    // closed, and the list shows it before this is sent.
    void DeviceLost(int index, const QString& name);
    // Devices were added, dropped or closed by the layer itself.
    void DevicesChanged();

protected:
    TMidiDevices(std::shared_ptr<TMidiBackend> backend, bool inputs, const char* className,
                 size_t nameLimit = 0);
    void Enumerate();
    // Sends DevicesChanged, then DeviceLost for each of `lost` (index and name).
    void ReportLost(const std::vector<std::pair<int, QString>>& lost);
    TMidiDevice& Entry(int index) { return m_devices[size_t(index)]; }

    std::shared_ptr<TMidiBackend> m_backend;
    std::vector<TMidiDevice> m_devices;

private:
    bool m_inputs;
    const char* m_className;
    size_t m_nameLimit; // names are cut to this many characters; 0: kept whole
};

class TMidiInput : public TMidiDevices {
    Q_OBJECT
public:
    using TOnMidiInData =
        std::function<void(int aDeviceIndex, uint8_t aStatus, uint8_t aData1, uint8_t aData2)>;

    explicit TMidiInput(std::shared_ptr<TMidiBackend> backend);
    ~TMidiInput() override;

    void Open(int index) override;
    void Close(int index) override;

    // Called on the user-interface thread for every received message, in arrival order.
    TOnMidiInData OnInput;
    // While OnInput runs: when the message it is given reached the program (steady clock).
    int64_t ArrivalNs() const { return m_arrivalNs; }
    // Messages dropped because the user-interface thread fell too far behind.
    uint64_t Dropped() const { return m_handOff.Dropped(); }
    // Processes the received messages now (the event loop does it too), for at most a few
    // milliseconds; the rest follow at the next turn of the event loop, so a flood of
    // messages leaves the window responsive.
    void Drain();

private:
    void Wake();
    void CheckOpenDevices();

    TMidiHandOff m_handOff;
    int64_t m_arrivalNs = 0;
    QTimer m_watch; // looks for open devices that went away
};

class TMidiOutput : public TMidiDevices {
    Q_OBJECT
public:
    explicit TMidiOutput(std::shared_ptr<TMidiBackend> backend);
    void Open(int index) override;
    void Close(int index) override;
    void Send(int index, uint8_t status, uint8_t data1, uint8_t data2);
};

// The one input and the one output device list, made on first use (which lists the devices)
// and destroyed with the application object.
TMidiInput& MidiInput();
TMidiOutput& MidiOutput();
// Tests and tools pick the backend before the first use; a later call drops the lists made so
// far (closing their devices) so the next use lists the new backend's devices.
void UseMidiBackend(std::shared_ptr<TMidiBackend> backend);

} // namespace zel
