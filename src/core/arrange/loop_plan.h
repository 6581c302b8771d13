// Loops for practice: a passage (records of a riff, or rows of the song) laid out as a song of
// its own to render: one pass after another, each at its speed (the speed trainer raises it
// pass by pass), and the last pass twice. Played from the start and then round and round
// over that second copy, the passage sounds exactly as if it were played over and over: the
// notes ringing out at the end of one pass sound on at the start of the next, without a gap.
#pragma once

#include <string>
#include <vector>

#include "model/song.h"

namespace zel {

struct TSpeedTrainer {
    bool On = false;
    int Start = 60;   // per cent, the first pass
    int Step = 5;     // added after each pass
    int Target = 100; // the last pass, and every pass after it
};

// The speeds of the passes: the playback speed alone, or the trainer's from its start up to
// its target (the target always last). Empty for a speed outside 25..200 %, a step below 1 or
// a target below the start.
std::vector<int> PassSpeeds(int speed, const TSpeedTrainer& trainer);

struct TLoopPlan {
    TProject Project;            // what to render, as a song
    int LoopRow = 0;             // the structure row (from 1) where the repeating part starts
    std::vector<int> SourceRiff; // for each riff of Project, the riff of the user's project
    int RecordOffset = 0;        // the riff passage's first record in the user's riff
    std::vector<int> PassRows;   // the row (from 1) where each pass starts...
    std::vector<int> PassSpeeds; // ...and its speed
    std::vector<int> SourceRow;  // for each row of Project, the user's grid row (0: none)
    std::string Error;           // with markup; nothing else is set then
};

// Records [first, last) of the riff, played with the instrument (column 0).
TLoopPlan RiffLoopPlan(const TProject& project, int riff, int first, int last, int instrument,
                       const std::vector<int>& speeds);
// Structure rows top..bottom (from 1), with their columns and instruments.
TLoopPlan RowsLoopPlan(const TProject& project, int top, int bottom,
                       const std::vector<int>& speeds);

// The same without a loop: the passage once (Play Current Riff from the cursor, the song from a
// row), for the count-in and the metronome. LoopRow is 0.
TLoopPlan RiffPlan(const TProject& project, int riff, int first, int instrument, int speed);
TLoopPlan RowsPlan(const TProject& project, int top, int speed);

// The click: our own short sound, not an instrument of the project.
struct TClickOptions {
    bool CountIn = false;   // one bar of clicks before the music
    bool Metronome = false; // a click on every beat, the first beat of a bar accented
    int Level = 20;         // 0..100
};
// Adds a column of clicks beside the music: on the beats of each row's lowest playing column's
// riff (its tempo and bar cycle; 6/8, 9/8 and 12/8 beat in dotted quarters), and a count-in
// row of one bar before everything. Sets the plan's Error when no column is free for it.
void AddClicks(TLoopPlan& plan, const TClickOptions& clicks);
// The clicks of `ticks` of the riff's bars (accent on each bar's first beat).
TRiff ClickRiff(const TRiff& lead, int64_t ticks);

// The frame of the loop's buffer heard after `played` frames: past the end the playback goes
// round the last pass again, from `loopStart`.
int64_t LoopedFrame(int64_t played, int64_t loopStart, int64_t total);

} // namespace zel
