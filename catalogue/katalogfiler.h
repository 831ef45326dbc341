// Where the catalogue's files are read and the list is saved: the current
// folder, or texts in memory, so tests and the fuzz targets can load and
// save without a disk.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "sikker_fil.h"
#include "token_stroem.h"

class katalogfiler {
   public:
    using tekster = std::map<std::string, std::string>;

    katalogfiler() = default;  // the current folder
    explicit katalogfiler(tekster* i_hukommelsen) : hukommelse_(i_hukommelsen) {}

    std::unique_ptr<token_stroem> aabn(const char* navn) const;
    // Puts `indhold` in the place of `navn`, as erstat_fil does on disk.
    erstatning erstat(const char* navn, const char* midlertidig, const indhold_t& indhold,
                      const fil_id* laest) const;

    // What would stop erstat before it began, in a few words; empty when nothing.
    std::string hindring(const char* navn, const char* midlertidig) const;

   private:
    tekster* hukommelse_ = nullptr;
};
