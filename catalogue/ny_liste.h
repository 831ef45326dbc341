#pragma once

#include <string>
#include <string_view>

#include "kat_opsaetning.h"
#include "token_stroem.h"

// The text of the new lot list, written into `ud` as it is made: the old
// list read from `gammel` with the entries of `katalog_nr` replaced by
// records 1..antal. `katalogets_del`
// receives the catalogue's entries as the old list held them (see
// katalogets_poster). False, with `fejl` set, when the old list can't be
// read in full.
bool byg_ny_liste(token_stroem& gammel, const post_t* poster, int antal,
                  std::string_view katalog_nr, udskrift& ud, std::string& katalogets_del,
                  std::string& fejl);

// The entries of `katalog_nr` in a list, one line of tokens each, in file
// order; `antal` is how many. Two lists with the same text here hold the
// same entries for the catalogue.
std::string katalogets_poster(token_stroem& liste, std::string_view katalog_nr, int& antal);
