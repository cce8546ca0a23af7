// A 5 × 7 pixel font of digits, capital letters and a few signs, enough to
// label the synthetic camera's frames.
#pragma once

#include <cstdint>
#include <string>

#include "image.h"

namespace filterhost {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = 6;  // one blank column between glyphs

// Seven rows, top first; bit 4 is the leftmost column. Unknown characters
// (and lower case, which the font lacks) give a blank glyph.
const std::uint8_t* glyphRows(char c);

// Width in pixels of `text` drawn at `scale`.
int textWidth(const std::string& text, int scale);

// Draws `text` into an RGB picture with its top left corner at (x, y), each
// font pixel a scale × scale square; parts outside the picture are cut off.
void drawText(Image& picture, const std::string& text, int x, int y, int scale, const std::uint8_t rgb[3]);

}  // namespace filterhost
