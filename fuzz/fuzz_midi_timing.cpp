// Fuzz target: any bytes imported as a MIDI file with the file's timing, every channel picked.
// The import must never read outside the buffer or write outside the riff; the riff must stay
// well formed, with durations of the table only, and within the import's limits.
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
    // Riffs of at most 4096 whole notes: random deltas are huge, and filling the full length
    // with rests would leave little time for anything else.
    constexpr zel::TFileTimingLimits Limits{.Records = 1 << 16, .Ticks = int64_t(1) << 22};
    zel::ImportMidiFileTiming(std::string_view(reinterpret_cast<const char*>(data), size), 0xFFFF,
                              project, editor, Limits);
    const zel::TRiff& riff = zel::CurrentRiffOf(project, editor);
    int count = zel::NoteCount(riff);
    // A refused file leaves the riff untouched: no note records at all.
    if (riff.Cursor != count || riff.Anchor != count ||
        (riff.Capacity() > 0 && count >= riff.Capacity()))
        std::abort();
    if (count > Limits.Records || zel::RiffTicks(riff, -1) > Limits.Ticks + 4 * zel::TicksPerWhole)
        std::abort();
    for (int i = 0; i < count; ++i) {
        const zel::TNote& note = riff.Notes[size_t(i)];
        if (note.Duration > 7 || (note.Flags & ~(zel::NoteDot | zel::NoteDotDot | zel::NoteTie)))
            std::abort();
    }
    return 0;
}
