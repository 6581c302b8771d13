// Fuzz target: any text read as an instrument. The written form of what was read must read back
// to the same record.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/instrument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    zel::TInstrument instrument;
    zel::TextToInstrument(text, 0, instrument);
    zel::TInstrument again;
    zel::TextToInstrument(zel::InstrumentToText(instrument), 0, again);
    if (!(again == instrument) || !zel::IsInstrumentText(zel::InstrumentToText(instrument)))
        std::abort();
    zel::TextToInstrument(text, 2, instrument);
    return 0;
}
