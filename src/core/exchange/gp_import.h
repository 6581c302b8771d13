// A Guitar Pro song as a project: one instrument column per pitched track of 4 to 7 strings,
// the measures cut into riffs at section boundaries, identical riffs shared, one structure row
// per section in playing order, notes placed by onset with the rounding of the onset-based
// imports.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "exchange/gp_song.h"
#include "model/song.h"

namespace zel::gp {

struct TGpImportOptions {
    std::vector<int> Tracks; // 1-based track numbers to import; empty: every track
};

struct TGpImportSummary {
    std::string Title;
    int Instruments = 0, Riffs = 0, Rows = 0, Notes = 0;
    std::vector<std::string> LeftOutTracks; // "3 Drums (percussion)"
    int DeadNotes = 0, GraceNotes = 0, TupletNotes = 0, MovedNotes = 0, CutNotes = 0;
    int PartialTies = 0;
    std::array<int, EffectKinds> Effects{};
    // 0: every section boundary kept; 1: tempo and key changes merged into their section;
    // 2: only repeats, endings and time-signature denominators cut sections.
    int MergeLevel = 0;

    // One line: "12 bends, 3 grace notes and 40 tuplet notes were approximated"; empty when
    // nothing was.
    std::string Approximations() const;
    // The lines the editor logs and the command line prints.
    std::vector<std::string> Lines() const;
};

// Builds the project from the song. `project` is changed only on success; on failure `error`
// says why (no track to import, or more riffs than a project holds).
bool ImportGuitarProSong(const TGpSong& song, const TGpImportOptions& options, TProject& project,
                         TGpImportSummary& summary, std::string& error);

// The synth sound given to a track with this General MIDI program.
TInstrument InstrumentForProgram(int program);

} // namespace zel::gp
