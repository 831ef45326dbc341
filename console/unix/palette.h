// The PC console's sixteen colours on a terminal. Most terminals draw the
// sixteen ANSI colours in their own shades (light grey as almost white);
// where the terminal can show any colour, the PC's own shades are sent.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace console_detail {

enum class colour_depth {
    none,         // no colours at all: reverse video and bold
    ansi,         // the terminal's sixteen (or eight) colours
    palette_256,  // the nearest of xterm's 256
    direct,       // the exact red, green and blue
};

// From what the terminal says: COLORTERM ("truecolor" or "24bit"), and its
// terminfo entry's colour count (-1: the entry has none; nothing: there is
// no entry, and the terminal gets the sixteen colours) and RGB/Tc capability.
colour_depth choose_colour_depth(std::string_view colorterm, std::optional<int> terminfo_colours,
                                 bool terminfo_direct);

// The SGR parameters that select PC colour 0..15 as text or background, in
// a depth other than ansi: "38;2;170;170;170" or "48;5;248".
std::string sgr_colour(colour_depth depth, int pc_colour, bool background);

}  // namespace console_detail
