#include "katalogfiler.h"

std::unique_ptr<token_stroem> katalogfiler::aabn(const char* navn) const {
    if (!hukommelse_) return std::make_unique<token_stroem>(navn);
    auto fil = hukommelse_->find(navn);
    if (fil == hukommelse_->end()) return std::make_unique<token_stroem>(token_stroem::mangler{});
    return std::make_unique<token_stroem>(token_stroem::fra_hukommelsen{fil->second});
}

erstatning katalogfiler::erstat(const char* navn, const char* midlertidig, const indhold_t& indhold,
                                const fil_id* laest) const {
    if (!hukommelse_) return erstat_fil(navn, midlertidig, indhold, laest);
    std::string ny;
    udskrift ud([&](std::string_view del) {
        ny += del;
        return true;
    });
    if (!indhold(ud) || !ud.toem()) return {};
    (*hukommelse_)[navn] = std::move(ny);
    erstatning r;
    r.ok = true;
    return r;
}

std::string katalogfiler::hindring(const char* navn, const char* midlertidig) const {
    return hukommelse_ ? std::string() : hindring_for_erstatning(navn, midlertidig);
}
