#include "katalogfiler.h"

std::unique_ptr<token_stroem> katalogfiler::aabn(const char* navn) const {
    if (!hukommelse_) return std::make_unique<token_stroem>(navn);
    auto fil = hukommelse_->find(navn);
    if (fil == hukommelse_->end()) return std::make_unique<token_stroem>(token_stroem::mangler{});
    return std::make_unique<token_stroem>(token_stroem::fra_hukommelsen{fil->second});
}

erstatning katalogfiler::erstat(const char* navn, const char* midlertidig, std::string_view indhold,
                                const fil_id* laest) const {
    if (!hukommelse_) return erstat_fil(navn, midlertidig, indhold, laest);
    (*hukommelse_)[navn] = std::string(indhold);
    return {true, {}, {}};
}
