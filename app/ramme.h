// Code page 850 box drawing, and the lines frames and dividers are made of,
// for the screens, the message boxes and the priority dialog.
#pragma once

#include <string>
#include <string_view>

namespace ramme {

constexpr char hjoerne_ov = '\xC9', hjoerne_oh = '\xBB';     // ╔ ╗
constexpr char hjoerne_nv = '\xC8', hjoerne_nh = '\xBC';     // ╚ ╝
constexpr char vandret = '\xCD', lodret = '\xBA';            // ═ ║
constexpr char gren_venstre = '\xCC', gren_hoejre = '\xB9';  // ╠ ╣
constexpr char tynd_vandret = '\xC4';                        // ─
constexpr char fuld_blok = '\xDB';                           // █
constexpr char maerke = '\xEE';                              // ¯, under the letter that chooses

// A top, bottom or dividing edge: `venstre`, `bredde` × `fyld`, `hoejre`.
std::string kant(char venstre, char fyld, int bredde, char hoejre);
std::string top(int bredde);
std::string bund(int bredde);
// ║, `foer` spaces, the text, `efter` spaces, ║.
std::string linje(int foer, std::string_view tekst, int efter);
std::string tom(int bredde);
// ║ and a thin rule one space in from each side: "║ ─── ║".
std::string skillelinje(int bredde);

}  // namespace ramme
