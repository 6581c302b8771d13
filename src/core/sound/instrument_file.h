// The instrument file (*.zvi): one line, the instrument's name, TAB, its sixteen numbers, CR LF.
#pragma once

#include <string>

#include "model/instrument.h"

namespace zel {

// Writes the file safely; shows "Failed to Save File" and returns false when it cannot.
bool SaveInstrumentFile(const std::string& path, const std::string& name,
                        const TInstrument& instrument);

// Reads the first line: field 0 is the name, the sixteen numbers follow. Shows "Failed to Open
// File" and returns false (leaving name and instrument unchanged) when the file cannot be read.
bool LoadInstrumentFile(const std::string& path, std::string& name, TInstrument& instrument);

} // namespace zel
