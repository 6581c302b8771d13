// The run functions of the commands that need the window system's libraries. zelvane-cli-qt
// holds them; zelvane-cli holds stand-ins that hand the command line to zelvane-cli-qt.
#pragma once

#include "command_table.h"

namespace zel::cli {

int RunPlay(const TInvocation& call);
int RunPreview(const TInvocation& call);
int RunExportPng(const TInvocation& call);
int RunPrint(const TInvocation& call);
int RunMidiDevices(const TInvocation& call);
int RunMidiMonitor(const TInvocation& call);

// Pictures, fonts and PDF pages need a GUI application object; without a display it draws
// offscreen. Call before the application object is made. Also keeps Qt's notes about the
// runtime folder, which concern no file the tool reads or writes, off standard error.
void ChooseHeadlessPlatform();

} // namespace zel::cli
