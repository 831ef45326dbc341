// Screen models as the console's tests make and read them.
#pragma once

#include <string>

#include "screen_model.h"

// The program's screen: mode 64, 80 x 50.
inline console_detail::screen_model tall_model() {
    console_detail::screen_model m(80, 25);
    m.set_mode(64);
    return m;
}

// The bytes of row y (0-based) from column `from` up to `to`.
inline std::string row_text(const console_detail::screen_model& m, int y, int from = 0,
                            int to = 80) {
    std::string s;
    for (int x = from; x < to; ++x) s += static_cast<char>(m.at(x, y).character);
    return s;
}
