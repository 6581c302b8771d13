#include "midi_command.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli_common.h"
#include "midi_devices.h"

namespace zel::cli {

const char* const MidiDevicesHelp =
    "Usage: zelvane-cli midi-devices [--json]\n"
    "\n"
    "Lists the MIDI input and output devices the editor sees (ALSA sequencer ports and JACK\n"
    "ports), with the index each has in the editor's MIDI Input list. Without a MIDI service\n"
    "both lists are empty.\n"
    "\n"
    "  --json   print {\"inputs\": [{\"index\": 0, \"name\": ...}], \"outputs\": [...]}\n";

const char* const MidiMonitorHelp =
    "Usage: zelvane-cli midi-monitor --device N [--seconds S]\n"
    "\n"
    "Opens input device N (see midi-devices) and prints each message it receives as\n"
    "\"SECONDS  STATUS DATA1 DATA2\" in hexadecimal, seconds counted from the start.\n"
    "Malformed messages and SysEx are not shown.\n"
    "\n"
    "  --device N    the input device's index\n"
    "  --seconds S   stop after S seconds (1..86400); without it, run until interrupted\n";

namespace {

nlohmann::json DeviceList(const TMidiDevices& devices) {
    auto list = nlohmann::json::array();
    auto names = devices.Names();
    for (size_t i = 0; i < names.size(); ++i)
        list.push_back({{"index", i}, {"name", names[i]}});
    return list;
}

void PrintList(const char* title, const TMidiDevices& devices) {
    auto names = devices.Names();
    std::cout << title << (names.empty() ? " none\n" : "\n");
    for (size_t i = 0; i < names.size(); ++i)
        std::cout << "  " << i << "  " << names[i] << '\n';
}

} // namespace

int RunMidiDevices(const std::vector<std::string>& args, int argc, char** argv) {
    if (WantsHelp(args)) {
        std::cout << MidiDevicesHelp;
        return FinishOutput();
    }
    bool json = false;
    for (const auto& arg : args) {
        if (arg == "--json")
            json = true;
        else
            return Usage("midi-devices: unknown argument " + arg, MidiDevicesHelp);
    }
    QCoreApplication app(argc, argv);
    if (json) {
        nlohmann::json out = {{"inputs", DeviceList(MidiInput())},
                              {"outputs", DeviceList(MidiOutput())}};
        // Port names come from other programs: bytes that are not UTF-8 are replaced.
        std::cout << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        PrintList("Inputs:", MidiInput());
        PrintList("Outputs:", MidiOutput());
    }
    return FinishOutput();
}

int RunMidiMonitor(const std::vector<std::string>& args, int argc, char** argv) {
    if (WantsHelp(args)) {
        std::cout << MidiMonitorHelp;
        return FinishOutput();
    }
    int device = -1;
    int seconds = 0;
    bool haveDevice = false;
    TArgs walk(args);
    std::string arg;
    while (walk.Next(arg)) {
        if (arg == "--device") {
            // Any whole number: an index outside the list is the device layer's error.
            if (!walk.Number(-1000000, 1000000, device))
                return Usage("midi-monitor: --device needs a device index", MidiMonitorHelp);
            haveDevice = true;
        } else if (arg == "--seconds") {
            if (!walk.Number(1, 86400, seconds))
                return Usage("midi-monitor: --seconds needs a number from 1 to 86400",
                             MidiMonitorHelp);
        } else {
            return Usage("midi-monitor: unknown argument " + arg, MidiMonitorHelp);
        }
    }
    if (!haveDevice)
        return Usage("midi-monitor: give the input device with --device N", MidiMonitorHelp);

    QCoreApplication app(argc, argv);
    TMidiInput& input = MidiInput();
    auto start = std::chrono::steady_clock::now();
    int64_t startNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count();
    input.OnInput = [&input, startNs](int, uint8_t status, uint8_t data1, uint8_t data2) {
        double at = double(input.ArrivalNs() - startNs) / 1e9;
        char line[64];
        int length = MidiMessageLength(status);
        if (length == 1)
            std::snprintf(line, sizeof line, "%10.6f  %02X\n", at, status);
        else if (length == 2)
            std::snprintf(line, sizeof line, "%10.6f  %02X %02X\n", at, status, data1);
        else
            std::snprintf(line, sizeof line, "%10.6f  %02X %02X %02X\n", at, status, data1, data2);
        std::cout << line << std::flush;
    };
    int status = ExitOk;
    QObject::connect(&input, &TMidiInput::DeviceLost, &app, [&](int, const QString& name) {
        std::cerr << "zelvane-cli: the MIDI device \"" << name.toStdString() << "\" went away\n";
        status = ExitFileError;
        app.quit();
    });
    try {
        input.Open(device);
    } catch (const TMidiError& error) {
        std::cerr << "zelvane-cli: " << error.what() << '\n';
        return ExitFileError;
    }
    std::cerr << "zelvane-cli: listening to " << input.Names()[size_t(device)] << '\n';
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    input.Drain();
    input.CloseAll();
    if (status == ExitOk)
        return FinishOutput();
    return status;
}

} // namespace zel::cli
