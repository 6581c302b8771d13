// A Guitar Pro 3/4/5 song as the file holds it: song information, measure headers, tracks and
// the beats of every measure. Only what the import uses is kept; the effects are kept as flags
// so the import can say what it left out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::gp {

// Effects of a note or a beat that the reader passes over; the import counts them.
enum TEffect : uint32_t {
    EffectBend = 1 << 0,
    EffectHammer = 1 << 1,
    EffectSlide = 1 << 2,
    EffectLetRing = 1 << 3,
    EffectHarmonic = 1 << 4,
    EffectVibrato = 1 << 5,
    EffectPalmMute = 1 << 6,
    EffectTremoloPicking = 1 << 7,
    EffectTrill = 1 << 8,
    EffectStroke = 1 << 9,
    EffectTremoloBar = 1 << 10,
    EffectStaccato = 1 << 11,
    EffectAccent = 1 << 12,
    EffectGhost = 1 << 13,
    EffectChordDiagram = 1 << 14,
    EffectText = 1 << 15,
    EffectTapSlapPop = 1 << 16,
    EffectFade = 1 << 17,
};
inline constexpr int EffectKinds = 18;

struct TGpNote {
    int String = 1; // 1 = the highest string
    int Fret = 0;
    bool Tie = false;   // continues the previous note on this string
    bool Dead = false;  // muted, no pitch
    bool Grace = false; // a grace note is played before it
    uint32_t Effects = 0;
};

struct TGpBeat {
    int Value = 4;       // 1 whole, 2 half, 4 quarter ... 64
    int Dots = 0;        // 0, 1 or 2
    int TupletEnter = 1; // TupletEnter notes in the time of TupletTimes
    int TupletTimes = 1;
    bool Empty = false; // takes no time
    int Tempo = -1;     // a tempo change from the beat's mix table
    uint32_t Effects = 0;
    std::string Text;
    std::vector<TGpNote> Notes; // none: a rest
};

struct TGpVoice {
    std::vector<TGpBeat> Beats;
};

// One measure of one track: two voices in GP5, one before.
struct TGpMeasure {
    std::array<TGpVoice, 2> Voices;
};

struct TGpHeader {
    int Numerator = 4;
    int Denominator = 4;
    bool RepeatOpen = false;
    int RepeatClose = 0;       // times the repeated part is played in all; 0: no closing sign
    uint32_t Alternatives = 0; // bit n: played on pass n + 1
    bool HasMarker = false;
    std::string Marker;
    int Key = 0;    // sharps (positive) or flats (negative)
    int Tempo = -1; // a tempo change inside this measure (the first one); -1: none
};

struct TGpTrack {
    std::string Name;
    std::vector<int> Tuning; // MIDI note of each open string, the highest string first
    int Capo = 0;
    bool Percussion = false;
    int Channel = 0; // 0..63 (port * 16 + channel)
    int Program = 0; // General MIDI program 0..127 of that channel
    std::vector<TGpMeasure> Measures;
};

struct TGpLyricLine {
    int Measure = 1;
    std::string Text;
};

struct TGpSong {
    std::string Version; // the header text, e.g. "FICHIER GUITAR PRO v5.10"
    int Major = 5, Minor = 10;
    std::string Title, Subtitle, Artist, Album, Words, Music, Copyright, Tab, Instructions;
    std::vector<std::string> Notice;
    int LyricsTrack = 0;
    std::vector<TGpLyricLine> Lyrics;
    int Tempo = 120;
    int Key = 0;
    std::array<int, 64> Programs{}; // General MIDI program of each channel
    std::vector<TGpHeader> Headers;
    std::vector<TGpTrack> Tracks;
    size_t UnreadBytes = 0; // bytes after the last measure (none in a well-formed file)
};

} // namespace zel::gp
