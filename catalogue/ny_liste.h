#pragma once

#include <string>
#include <string_view>

#include "kat_opsaetning.h"
#include "token_stroem.h"

// The text of the new lot list: the old list read from `gammel` with the
// entries of `katalog_nr` replaced by records 1..antal. False, with `fejl`
// set, when the old list can't be read in full.
bool byg_ny_liste(token_stroem& gammel, const post_t* poster, int antal,
                  std::string_view katalog_nr, std::string& ud, std::string& fejl);
