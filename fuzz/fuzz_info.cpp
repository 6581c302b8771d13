// Fuzz target: any bytes read as a project, then everything that goes through a whole loaded
// project without a window: the info summary, the info JSON (written piece by piece, and the
// same text as the JSON value gives, for small projects) and the song's measuring pass in each
// mode, with a full render when the song is short, and the song's event timeline that the
// exporters read. Nothing may crash, hang or write outside a table. A new reader of whole projects
// joins as one more entry of Stages.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "arrange/timeline.h"
#include "base/message_service.h"
#include "info.h"
#include "model/datafile.h"
#include "model/projectfile.h"
#include "sound/sequencer.h"

namespace {

class TSilentMessages : public zel::TMessageService {
public:
    int DisplayMany(int, std::string_view, std::string_view) override { return -1; }
};

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void Summary(const zel::TProject& project) {
    Check(!zel::ProjectSummary(project).empty());
}

int TotalNotes(const zel::TProject& project) {
    int notes = 0;
    for (int i = 0; i < project.RiffNames.RecordCount(); ++i)
        notes += zel::NoteCount(project.Riffs[size_t(i)]);
    return notes;
}

// Projects this small are also built as one JSON value to compare with; the value costs far
// more than the streamed text, and what it checks does not need many notes.
constexpr int ComparedNotes = 24;

void Json(const zel::TProject& project) {
    std::ostringstream streamed;
    zel::WriteProjectJson(project, streamed);
    Check(!streamed.str().empty() && streamed.str().back() == '\n');
    if (TotalNotes(project) <= ComparedNotes)
        Check(streamed.str() == zel::ProjectJson(project).dump(2) + "\n");
}

// Songs this short (10 ms) are rendered too; longer ones only measured, so each input stays
// fast.
constexpr int64_t RenderedValues = 2 * 2 * 441;

void Song(const zel::TProject& project) {
    const int rows = int(project.Structure.size());
    for (auto mode : {zel::TSongMode::Export, zel::TSongMode::OnceEach, zel::TSongMode::FromRow}) {
        int firstRow = mode == zel::TSongMode::FromRow ? rows / 2 + 1 : 0;
        int lastStart = 0;
        zel::TSongRender measured =
            zel::MeasureSong(project, mode, firstRow, [&](int gridRow, int64_t) {
                Check(gridRow > lastStart && gridRow <= rows); // rows start in order
                lastStart = gridRow;
            });
        Check(measured.Total >= 0 && !measured.Buffer);
        if (!measured.Error.empty() || measured.Total > RenderedValues)
            continue;
        zel::TRenderer renderer;
        renderer.Threads = 1; // the same samples, without starting threads for every row
        zel::TSongRender rendered =
            zel::RenderSong(renderer, project, mode, firstRow, nullptr, {}, {});
        Check(rendered.Error.empty() && rendered.Total == measured.Total);
        Check(rendered.Buffer && int64_t(rendered.Buffer->Size()) == measured.Total);
    }
}

// Songs of up to this many note plays are laid out as a timeline (a repeat count in the
// millions would make each input slow, not wrong).
constexpr int64_t LaidOutPlays = 100000;

void Timeline(const zel::TProject& project) {
    for (bool once : {false, true}) {
        zel::TPlayOptions options{.FirstGridRow = 1, .Once = once};
        zel::TSongPlan plan = zel::PlanSong(project, options);
        int64_t plays = 0;
        for (const auto& row : plan.Rows)
            for (const auto& column : row.Columns)
                plays += int64_t(std::max(column.Repeat, 0)) *
                         (zel::NoteCount(project.Riffs[size_t(column.Riff)]) + 1);
        if (plays > LaidOutPlays)
            continue;
        zel::TTimeline timeline = zel::SongTimeline(project, options);
        Check(timeline.Error.empty() == plan.Error.empty() || !timeline.Error.empty());
        int64_t last = 0;
        for (const auto& note : timeline.Notes) {
            Check(note.StartTick >= last && note.Ticks >= 0); // in time order
            Check(note.StartTick + note.Ticks <= timeline.TotalTicks);
            Check(note.PitchCount <= zel::StringSlots);
            last = note.StartTick;
        }
    }
}

using TStage = void (*)(const zel::TProject&);
constexpr TStage Stages[] = {Summary, Json, Song, Timeline};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSilentMessages silent;
    zel::SetMessageService(&silent);
    zel::TProject project;
    zel::TEditorState editor;
    zel::ResetProject(project, editor);
    auto in = zel::TDataFile::FromBytes(std::string(reinterpret_cast<const char*>(data), size));
    zel::ReadProject(project, *in);
    for (TStage stage : Stages)
        stage(project);
    return 0;
}
