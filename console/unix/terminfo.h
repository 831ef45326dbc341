// The colour count of a terminal, from its compiled terminfo entry.
#pragma once

#include <string_view>

namespace console_detail::terminfo {

// The "colors" number of the entry for this terminal name, found where
// ncurses looks ($TERMINFO, ~/.terminfo, $TERMINFO_DIRS, then the system's
// folders); -1 when there is no entry, it has no such number, or the name
// is not one a terminfo file can have.
int colours(std::string_view term);

}  // namespace console_detail::terminfo
