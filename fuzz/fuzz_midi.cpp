// Fuzz target: any bytes imported as a MIDI file into a riff. The import must never read
// outside the buffer or write outside the riff, and the riff must stay well formed.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "arrange/midi_import.h"
#include "base/message_service.h"

namespace {
class TSilentMessages : public zel::TMessageService {
public:
    int DisplayMany(int, std::string_view, std::string_view) override { return -1; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSilentMessages silent;
    zel::SetMessageService(&silent);
    zel::TProject project;
    zel::TEditorState editor;
    zel::ResetProject(project, editor);
    zel::ImportMidi(std::string_view(reinterpret_cast<const char*>(data), size), project, editor,
                    {});
    const zel::TRiff& riff = zel::CurrentRiffOf(project, editor);
    int count = zel::NoteCount(riff);
    if (riff.Cursor < 0 || riff.Cursor > riff.Capacity() || count >= riff.Capacity())
        std::abort();
    return 0;
}
