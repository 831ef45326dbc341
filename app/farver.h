// The colours the screens use, numbered as on the PC text console (bit 0
// blue, 1 green, 2 red, 3 bright); a cell is background x 16 + text colour.
#pragma once

namespace farve {
inline constexpr int sort = 0;
inline constexpr int blaa = 1;
inline constexpr int groen = 2;
inline constexpr int roed = 4;
inline constexpr int lysegraa = 7;
inline constexpr int hvid = 15;
}  // namespace farve
