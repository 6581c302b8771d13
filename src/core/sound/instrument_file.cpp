#include "sound/instrument_file.h"

#include "base/message_service.h"
#include "model/datafile.h"
#include "model/text_fields.h"

namespace zel {

bool SaveInstrumentFile(const std::string& path, const std::string& name,
                        const TInstrument& instrument) {
    auto file = OpenDataFile(path, true);
    if (!file)
        return false;
    WriteTextLine(*file, WithoutFieldBreaks(name) + '\t' + InstrumentToText(instrument));
    return CloseDataFile(std::move(file));
}

bool LoadInstrumentFile(const std::string& path, std::string& name, TInstrument& instrument) {
    auto file = OpenDataFile(path, false);
    if (!file)
        return false;
    std::string line = ReadTextLine(*file);
    if (file->ReadFailed()) {
        DisplayError("Failed to Open File");
        return false;
    }
    name = std::string(TabField(line, 0));
    TextToInstrument(line, 1, instrument);
    return true;
}

} // namespace zel
