// Replacing a file so that it is never lost or half written: the new text
// goes to a side file, is forced to disk, and is then renamed over the old
// file in one step.
#pragma once

#include <string>
#include <string_view>

// Writes `indhold` to `midlertidig` and renames it over `navn`. On failure
// `navn` is untouched, `midlertidig` is removed and `fejl` says why.
bool erstat_fil(const char* navn, const char* midlertidig, std::string_view indhold,
                std::string& fejl);
