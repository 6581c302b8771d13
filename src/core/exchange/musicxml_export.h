// MusicXML 4.0 (partwise) of the song as the player hears it, or of riffs: one part per
// instrument column, each a tablature staff with its strings and tuning, every note with its
// pitch, string and fret. Also the compressed .mxl container.
#pragma once

#include <string>

#include "model/song.h"

namespace zel {

struct TMusicXmlOptions {
    int Riff = -1;         // a riff alone (index into the table); -1: the song
    bool AllRiffs = false; // every riff one after the other, in one part
};

struct TMusicXmlResult {
    std::string Xml;
    std::string Error; // why nothing could be written (plain text)
    int Parts = 0, Notes = 0, Measures = 0;
};

TMusicXmlResult WriteMusicXml(const TProject& project, const TMusicXmlOptions& options);

// A compressed MusicXML file (.mxl): the score as score.musicxml in a zip container. Empty for
// a score of MaxMxlScoreBytes or more, which the container cannot describe, and when the
// compressor fails.
inline constexpr size_t MaxMxlScoreBytes = size_t(0xFFFFFFF0);
std::string MusicXmlToMxl(const std::string& xml);
inline constexpr const char* MxlTooLarge =
    "The score is too large for a compressed MusicXML file: save it as .musicxml";

} // namespace zel
