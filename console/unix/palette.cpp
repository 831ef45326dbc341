#include "palette.h"

#include <array>
#include <cstdint>

namespace console_detail {

namespace {

struct rgb {
    int r, g, b;
};

// The PC text mode's palette, in the PC order (bit 0 blue, bit 2 red).
constexpr std::array<rgb, 16> pc_palette{{{0x00, 0x00, 0x00},
                                          {0x00, 0x00, 0xAA},
                                          {0x00, 0xAA, 0x00},
                                          {0x00, 0xAA, 0xAA},
                                          {0xAA, 0x00, 0x00},
                                          {0xAA, 0x00, 0xAA},
                                          {0xAA, 0x55, 0x00},
                                          {0xAA, 0xAA, 0xAA},
                                          {0x55, 0x55, 0x55},
                                          {0x55, 0x55, 0xFF},
                                          {0x55, 0xFF, 0x55},
                                          {0x55, 0xFF, 0xFF},
                                          {0xFF, 0x55, 0x55},
                                          {0xFF, 0x55, 0xFF},
                                          {0xFF, 0xFF, 0x55},
                                          {0xFF, 0xFF, 0xFF}}};

// xterm's colours 16..255: a 6 x 6 x 6 cube, then 24 greys. Colours 0..15
// are left out: the terminal's own sixteen are what this avoids.
constexpr int cube_level[6] = {0, 95, 135, 175, 215, 255};

constexpr rgb xterm_colour(int index) {
    if (index >= 232) {
        int grey = 8 + 10 * (index - 232);
        return {grey, grey, grey};
    }
    int i = index - 16;
    return {cube_level[i / 36], cube_level[(i / 6) % 6], cube_level[i % 6]};
}

constexpr int distance(rgb a, rgb b) {
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

constexpr int nearest_xterm_colour(rgb c) {
    int best = 16;
    for (int i = 17; i < 256; ++i)
        if (distance(xterm_colour(i), c) < distance(xterm_colour(best), c)) best = i;
    return best;
}

constexpr std::array<int, 16> xterm_for_pc = [] {
    std::array<int, 16> a{};
    for (int c = 0; c < 16; ++c)
        a[static_cast<std::size_t>(c)] =
            nearest_xterm_colour(pc_palette[static_cast<std::size_t>(c)]);
    return a;
}();

static_assert(xterm_for_pc[7] == 248, "light grey is xterm's grey 168");
static_assert(xterm_for_pc[1] == 19, "blue is the cube's 0, 0, 175");

}  // namespace

colour_depth choose_colour_depth(std::string_view colorterm, std::optional<int> terminfo_colours,
                                 bool terminfo_direct) {
    constexpr int fewest = 8;  // the ECMA-48 colours
    if (colorterm == "truecolor" || colorterm == "24bit" || terminfo_direct)
        return colour_depth::direct;
    if (terminfo_colours >= 256) return colour_depth::palette_256;
    if (terminfo_colours && *terminfo_colours < fewest) return colour_depth::none;
    return colour_depth::ansi;
}

std::string sgr_colour(colour_depth depth, int pc_colour, bool background) {
    const std::size_t c = static_cast<std::size_t>(pc_colour & 15);
    std::string s = background ? "48;" : "38;";
    if (depth == colour_depth::direct) {
        const rgb& v = pc_palette[c];
        return s + "2;" + std::to_string(v.r) + ";" + std::to_string(v.g) + ";" +
               std::to_string(v.b);
    }
    return s + "5;" + std::to_string(xterm_for_pc[c]);
}

}  // namespace console_detail
