// The console without a system console, for tests of what the program draws and
// how it answers keys: the screen model is there, keys come from a script.
#pragma once

#include <string_view>

#include "backend.h"
#include "screen_model.h"

// Opens the console on a model of this start-up size (and rows of mode 64);
// no system console is touched.
void console_open_model(int columns, int rows, int tall_rows = 50);
// Keys for later reads, as the bytes a terminal would send.
void console_feed(std::string_view bytes);
using console_detail::console_model;
