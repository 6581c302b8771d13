// Fuzz target: any text parsed as a note. The written form of what was read must read back to
// the same note.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/projectfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    zel::TNote note;
    zel::ParseNote(text, note);
    zel::TNote again;
    zel::ParseNote(zel::NoteText(note), again);
    if (!(again == note))
        std::abort();
    zel::TRiff riff;
    int field = 0;
    zel::ParseRiffHeader(text, field, riff);
    return 0;
}
