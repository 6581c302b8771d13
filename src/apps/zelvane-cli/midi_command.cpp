// zelvane-cli midi-devices and midi-monitor: the MIDI devices the editor sees.

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli_common.h"
#include "midi_devices.h"
#include "qt_commands.h"

namespace zel::cli {

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

int RunMidiDevices(const TInvocation& call) {
    bool json = call.Has("--json");
    QCoreApplication app(call.Argc, call.Argv);
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

int RunMidiMonitor(const TInvocation& call) {
    int device = call.Number("--device", 0);
    int seconds = call.Number("--seconds", 0);

    QCoreApplication app(call.Argc, call.Argv);
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
