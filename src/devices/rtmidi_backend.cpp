// The system's MIDI service through RtMidi: the ALSA sequencer where the machine has one, and
// JACK where a server runs. Neither may be there (containers, build machines): then there are
// no ports, and nothing is printed or shown.
#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <mutex>

#include "arrange/midi_import.h"
#include "base/debug_log.h"
#include "midi_devices.h"

namespace zel {
namespace {

constexpr const char* ClientName = "Zelvane Editor";

// The services' own diagnostics would go to the terminal, and may come from their threads:
// they are dropped. What matters reaches the user as the error of the call that failed.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void QuietJack(const char*) {}

void SilenceServices() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(QuietAlsa);
        jack_set_error_function(QuietJack);
        jack_set_info_function(QuietJack);
        // A JACK client writes to the server's socket; when the server stops, the write must
        // fail with an error the client handles, not end the program with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
    });
}

// RtMidi reports through this instead of printing and throwing; the last error is kept so
// the call that caused it can raise it.
struct TErrorSink {
    std::mutex Lock;
    std::string LastError;

    static void Callback(RtMidiError::Type type, const std::string& text, void* self) {
        if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING)
            return;
        auto* sink = static_cast<TErrorSink*>(self);
        std::lock_guard lock(sink->Lock);
        sink->LastError = text;
    }
    std::string Take() {
        std::lock_guard lock(Lock);
        return std::exchange(LastError, {});
    }
};

// RtMidi's JACK objects print a warning (and leak) when no server runs: ask JACK first,
// quietly, without starting a server.
bool JackServerRunning() {
    jack_status_t status;
    jack_client_t* client = jack_client_open("Zelvane Editor probe", JackNoStartServer, &status);
    if (!client)
        return false;
    jack_client_close(client);
    return true;
}

// Lists JACK's MIDI ports through one client kept for the purpose, so looking for devices
// (the open inputs are looked for every second or two) does not add and remove clients in
// the server's graph each time. When the server stops, the client learns it and is dropped;
// the next listing connects again if a server runs by then.
class TJackLister {
public:
    ~TJackLister() { Drop(); }

    // The names of the MIDI ports the program can read from (`inputs`) or write to; none
    // without a server.
    std::vector<std::string> Ports(bool inputs) {
        std::vector<std::string> names;
        if (m_client && m_shutdown.load())
            Drop();
        if (!m_client && !Connect())
            return names;
        const char** ports = jack_get_ports(m_client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                            inputs ? JackPortIsOutput : JackPortIsInput);
        if (!ports)
            return names;
        for (const char** port = ports; *port; ++port)
            names.emplace_back(*port);
        jack_free(ports);
        return names;
    }

private:
    bool Connect() {
        jack_status_t status;
        m_client = jack_client_open("Zelvane Editor devices", JackNoStartServer, &status);
        if (!m_client)
            return false;
        m_shutdown = false;
        jack_on_shutdown(m_client, &TJackLister::OnShutdown, this);
        jack_activate(m_client);
        return true;
    }
    void Drop() {
        if (m_client)
            jack_client_close(m_client);
        m_client = nullptr;
    }
    // On JACK's thread.
    static void OnShutdown(void* self) { static_cast<TJackLister*>(self)->m_shutdown = true; }

    jack_client_t* m_client = nullptr;
    std::atomic<bool> m_shutdown{false};
};

std::vector<RtMidi::Api> Services() {
    std::vector<RtMidi::Api> compiled;
    RtMidi::getCompiledApi(compiled);
    std::vector<RtMidi::Api> services;
    for (RtMidi::Api api : compiled) {
        // Without the sequencer device RtMidi's ALSA client throws after printing; asking
        // first keeps start-up quiet.
        if (api == RtMidi::LINUX_ALSA && access("/dev/snd/seq", R_OK | W_OK) != 0)
            continue;
        if (api == RtMidi::LINUX_ALSA || api == RtMidi::UNIX_JACK)
            services.push_back(api);
    }
    return services;
}

std::string MakeKey(RtMidi::Api api, const std::string& port) {
    return RtMidi::getApiName(api) + '\n' + port;
}

bool SplitKey(const std::string& key, RtMidi::Api& api, std::string& port) {
    size_t cut = key.find('\n');
    if (cut == std::string::npos)
        return false;
    api = RtMidi::getCompiledApiByName(key.substr(0, cut));
    port = key.substr(cut + 1);
    return api != RtMidi::UNSPECIFIED;
}

// The number of the port called `name` now (ports are numbered afresh as devices come and go).
template <typename T> unsigned FindPort(T& midi, const std::string& name) {
    unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i)
        if (midi.getPortName(i) == name)
            return i;
    throw TMidiError("The MIDI device \"" + name + "\" is not there any more.");
}

class TRtMidiInPort final : public TMidiPort {
public:
    TRtMidiInPort(RtMidi::Api api, const std::string& name, TMidiBackend::TReceive receive)
        : m_receive(std::move(receive)), m_in(std::make_unique<RtMidiIn>(api, ClientName)) {
        m_in->setErrorCallback(&TErrorSink::Callback, &m_errors);
        unsigned port = FindPort(*m_in, name);
        if (auto error = m_errors.Take(); !error.empty())
            throw TMidiError(error);
        // Clocks and active sensing are wanted (a clock ends a held chord); SysEx is not.
        m_in->ignoreTypes(true, false, false);
        m_in->setCallback(&TRtMidiInPort::Callback, this);
        m_in->openPort(port, "Input");
        if (auto error = m_errors.Take(); !error.empty())
            throw TMidiError(error);
        if (!m_in->isPortOpen())
            throw TMidiError("The MIDI device \"" + name + "\" could not be opened.");
    }
    // Destroying the RtMidi object closes its client, which stops the service's thread; only
    // then may the receive function and the error sink go.
    ~TRtMidiInPort() override { m_in.reset(); }
    void Send(const uint8_t*, size_t) override {}

private:
    static void Callback(double, std::vector<unsigned char>* message, void* self) {
        if (message)
            static_cast<TRtMidiInPort*>(self)->m_receive(message->data(), message->size());
    }

    TErrorSink m_errors;
    TMidiBackend::TReceive m_receive;
    std::unique_ptr<RtMidiIn> m_in;
};

class TRtMidiOutPort final : public TMidiPort {
public:
    TRtMidiOutPort(RtMidi::Api api, const std::string& name) : m_out(api, ClientName) {
        m_out.setErrorCallback(&TErrorSink::Callback, &m_errors);
        unsigned port = FindPort(m_out, name);
        m_out.openPort(port, "Output");
        if (auto error = m_errors.Take(); !error.empty())
            throw TMidiError(error);
        if (!m_out.isPortOpen())
            throw TMidiError("The MIDI device \"" + name + "\" could not be opened.");
    }
    void Send(const uint8_t* bytes, size_t size) override {
        m_out.sendMessage(bytes, size);
        if (auto error = m_errors.Take(); !error.empty())
            throw TMidiError(error);
    }

private:
    TErrorSink m_errors;
    RtMidiOut m_out;
};

class TRtMidiBackend final : public TMidiBackend {
public:
    TRtMidiBackend() { SilenceServices(); }

    std::vector<TMidiPortName> Ports(bool inputs) override {
        std::vector<TMidiPortName> ports;
        for (RtMidi::Api api : Services()) {
            if (api == RtMidi::UNIX_JACK) {
                for (auto& name : m_jack.Ports(inputs))
                    ports.push_back({name, MakeKey(api, name)});
                continue;
            }
            try {
                if (inputs)
                    List(RtMidiIn(api, ClientName), api, ports);
                else
                    List(RtMidiOut(api, ClientName), api, ports);
            } catch (const RtMidiError& error) {
                DebugAdd("MIDI: " + error.getMessage(), MidiDebugColour);
            }
        }
        return ports;
    }

    std::unique_ptr<TMidiPort> OpenInput(const std::string& key, TReceive receive) override {
        return Open(key, [&](RtMidi::Api api, const std::string& name) {
            return std::make_unique<TRtMidiInPort>(api, name, std::move(receive));
        });
    }

    std::unique_ptr<TMidiPort> OpenOutput(const std::string& key) override {
        return Open(key, [](RtMidi::Api api, const std::string& name) {
            return std::make_unique<TRtMidiOutPort>(api, name);
        });
    }

private:
    // Opens the port a key names with `make`, turning RtMidi's errors into the layer's.
    template <typename TMake>
    static std::unique_ptr<TMidiPort> Open(const std::string& key, TMake make) {
        RtMidi::Api api;
        std::string name;
        if (!SplitKey(key, api, name))
            throw TMidiError("Unknown MIDI device.");
        if (api == RtMidi::UNIX_JACK && !JackServerRunning())
            throw TMidiError("The JACK server is not running.");
        try {
            return make(api, name);
        } catch (const RtMidiError& error) {
            throw TMidiError(error.getMessage());
        }
    }

    TJackLister m_jack;

    template <typename T>
    static void List(T&& midi, RtMidi::Api api, std::vector<TMidiPortName>& ports) {
        TErrorSink errors;
        midi.setErrorCallback(&TErrorSink::Callback, &errors);
        unsigned count = midi.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            std::string name = midi.getPortName(i);
            if (!name.empty())
                ports.push_back({name, MakeKey(api, name)});
        }
    }
};

} // namespace

std::shared_ptr<TMidiBackend> SystemMidiBackend() {
    return std::make_shared<TRtMidiBackend>();
}

} // namespace zel
