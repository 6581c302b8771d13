// The limits of a riff drawn as a picture (zelvane-cli export-png checks its options by them).
#pragma once

namespace zel {

// The widest picture that is drawn, and its smallest font.
inline constexpr int MaxRiffImageWidth = 30000;
inline constexpr int MinRiffImageFontPixels = 6;

} // namespace zel
