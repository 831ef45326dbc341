// What a terminal can do, from its compiled terminfo entry: its colours, its
// line-drawing set and the strings its keys send.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace console_detail::terminfo {

// A key's string in an entry, by the capability's name ("kcuu1", "kf1").
struct key_string {
    std::string_view name;
    std::string bytes;
};

struct description {
    int colours = -1;            // "colors"; -1 when the entry has none
    bool direct_colour = false;  // the extended "RGB" or "Tc" capability
    std::string line_drawing;    // "acsc": pairs of a VT100 graphic and the terminal's byte
    std::string enter_line_drawing, exit_line_drawing;  // "smacs", "rmacs"
    // Screen output: "enacs" (what makes smacs work, sent once), and whether
    // "cup" is there (without it the terminal can't address the cursor).
    std::string enable_line_drawing;
    bool addresses_cursor = false;
    // The extended "Ss": the cursor's shape is set with DECSCUSR.
    bool cursor_style = false;
    // The strings of the keys a key read knows (arrows, function keys 1 to
    // 36, paging, editing and keypad keys, back tab and the shifted forms).
    std::vector<key_string> keys;
};

// The entry for this terminal name, found where ncurses looks ($TERMINFO,
// ~/.terminfo, $TERMINFO_DIRS, then the system's folders); nothing when
// there is no entry or the name is not one a terminfo file can have.
std::optional<description> describe(std::string_view term);
// The same, from the compiled entry in this file; nothing when it is none.
std::optional<description> describe_file(const std::string& path);

}  // namespace console_detail::terminfo
