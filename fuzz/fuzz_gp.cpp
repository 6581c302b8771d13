// Fuzz target: any bytes read as a Guitar Pro file and, when they read, imported into a project
// and written as MusicXML. Nothing may read outside the input, hang or write outside a table.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "exchange/gp_import.h"
#include "exchange/gp_reader.h"
#include "exchange/musicxml_export.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zel::gp::TGpReadResult read =
        zel::gp::ReadGuitarPro(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!read.Ok) {
        if (read.Error.empty())
            std::abort();
        return 0;
    }
    zel::TProject project;
    zel::gp::TGpImportSummary summary;
    std::string error;
    if (zel::gp::ImportGuitarProSong(read.Song, {}, project, summary, error)) {
        if (summary.Riffs > zel::MaxRiffs || summary.Instruments > zel::MaxInstruments)
            std::abort();
        zel::WriteMusicXml(project, {});
    }
    return 0;
}
