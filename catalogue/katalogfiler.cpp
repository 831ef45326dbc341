#include "katalogfiler.h"

std::unique_ptr<token_stroem> katalogfiler::aabn(const char* navn) const {
    return std::make_unique<token_stroem>(navn);
}

erstatning katalogfiler::erstat(const char* navn, const char* midlertidig, const indhold_t& indhold,
                                const fil_id* laest) const {
    return erstat_fil(navn, midlertidig, indhold, laest);
}

std::string katalogfiler::hindring(const char* navn, const char* midlertidig) const {
    return hindring_for_erstatning(navn, midlertidig);
}
