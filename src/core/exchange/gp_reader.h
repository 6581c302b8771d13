// Reads Guitar Pro 3.00, 4.00, 4.06, 5.00 and 5.10 files into a TGpSong. The reader walks the
// file strictly in order and checks every field: a count is bounded by the bytes that remain
// before anything is allocated, so damaged files end with a message, never a crash or a hang.
#pragma once

#include <string>
#include <string_view>

#include "exchange/gp_song.h"

namespace zel::gp {

// The largest file the reader takes; real songs are well below a megabyte.
inline constexpr size_t MaxGpFileBytes = size_t(16) << 20;

struct TGpReadResult {
    bool Ok = false;
    // "Invalid Guitar Pro file: <what> at byte N" or "Unsupported Guitar Pro version: <text>".
    std::string Error;
    TGpSong Song;
};

TGpReadResult ReadGuitarPro(std::string_view bytes);

// Reads a file from disk; a file that cannot be read or is too large gives an error text.
TGpReadResult ReadGuitarProFile(const std::string& path);

} // namespace zel::gp
