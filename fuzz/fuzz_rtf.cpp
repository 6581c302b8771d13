// Fuzz target: any bytes read as the notes document. Reading never fails, writing what was read
// and reading that back gives the same document, and writing it again gives the same RTF.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/rich_text.h"
#include "model/rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    zel::TRichDocument once = zel::ReadRtf(bytes);
    if (once.Paragraphs.empty())
        std::abort();
    std::string written = zel::WriteRtf(once);
    zel::TRichDocument twice = zel::ReadRtf(written);
    if (!(twice == once))
        std::abort();
    if (zel::WriteRtf(twice) != written)
        std::abort();
    zel::RtfToPlainText(bytes);
    return 0;
}
