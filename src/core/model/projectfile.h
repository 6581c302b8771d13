// The project file (*.zvp): one line per riff (T), note (N), instrument (I), structure row (s)
// and notes-document line (x); older files also hold S and X lines. Also the value, note and
// riff-settings text forms that the clipboard shares.
#pragma once

#include <string>
#include <string_view>

#include "model/song.h"

namespace zel {

class TDataFile;

// 255 ("nothing") as "-", anything else as signed decimal.
std::string ValueText(int value);
// Empty text gives `defaultValue`, "-" gives 255, otherwise the leading signed decimal number
// (no digits: 0), capped at 255 from above.
int ParseValue(std::string_view text, int defaultValue);

// Ten TAB-separated fields: eight frets, the duration and the flags.
std::string NoteText(const TNote& note);
void ParseNote(std::string_view text, TNote& note);

// The twelve settings fields of a riff: eight tuning slots, tempo, numerator, denominator, key.
std::string RiffHeaderText(const TRiff& riff);
// Reads the twelve fields of `line` from `fieldIndex` on into `riff`, advancing the index.
void ParseRiffHeader(std::string_view line, int& fieldIndex, TRiff& riff);

bool SaveProject(const TProject& project, const std::string& path);
// Writes the project to an open writer (the lines only; the caller commits).
void WriteProject(const TProject& project, TDataFile& file);

// Loads into a project that the caller has reset. True when the file could be read and holds a
// project; otherwise the error box says why and the project is as the caller left it, unless
// the file was read into it.
bool LoadProject(TProject& project, const std::string& path);
// Why bytes are not a project file (binary data, or no line of a project's kinds before
// reading would stop); empty when they are one.
std::string ProjectFileProblem(std::string_view bytes);
// Reads the lines of an open reader into a reset project.
void ReadProject(TProject& project, TDataFile& file);

// Converts the item notation of an old S line (the text after "S\t") into a structure row
// and appends it when it is not empty. Counts clashes (two riffs for one instrument) in
// `clashes` and reports them through the message service while the count is at most
// ShownClashes; whoever reads the file reports how many more there were.
constexpr int ShownClashes = 3;
void AppendItemNotationRow(TProject& project, std::string_view items, int& clashes);

} // namespace zel
