#include "ramme.h"

namespace ramme {

std::string kant(char venstre, char fyld, int bredde, char hoejre) {
    return venstre + std::string(static_cast<std::size_t>(bredde), fyld) + hoejre;
}

std::string top(int bredde) { return kant(hjoerne_ov, vandret, bredde, hjoerne_oh); }
std::string bund(int bredde) { return kant(hjoerne_nv, vandret, bredde, hjoerne_nh); }

std::string linje(int foer, std::string_view tekst, int efter) {
    std::string s(1, lodret);
    s.append(static_cast<std::size_t>(foer), ' ');
    s += tekst;
    s.append(static_cast<std::size_t>(efter), ' ');
    return s + lodret;
}

std::string tom(int bredde) { return kant(lodret, ' ', bredde, lodret); }

std::string skillelinje(int bredde) {
    return linje(1, std::string(static_cast<std::size_t>(bredde - 2), tynd_vandret), 1);
}

}  // namespace ramme
