// Where the catalogue's files are read and the list is saved: the current
// folder.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "sikker_fil.h"
#include "token_stroem.h"

class katalogfiler {
   public:
    std::unique_ptr<token_stroem> aabn(const char* navn) const;
    // Puts `indhold` in the place of `navn` (erstat_fil).
    erstatning erstat(const char* navn, const char* midlertidig, const indhold_t& indhold,
                      const fil_id* laest) const;

    // What would stop erstat before it began, in a few words; empty when nothing.
    std::string hindring(const char* navn, const char* midlertidig) const;
};
