// Code page 850 box drawing, and the lines frames and dividers are made of,
// for the screens, the message boxes and the priority dialog.
#pragma once

#include <string>
#include <string_view>

#include "tekst850.h"

namespace ramme {

constexpr char hjoerne_ov = tekst850::tegn(U'╔'), hjoerne_oh = tekst850::tegn(U'╗');
constexpr char hjoerne_nv = tekst850::tegn(U'╚'), hjoerne_nh = tekst850::tegn(U'╝');
constexpr char vandret = tekst850::tegn(U'═'), lodret = tekst850::tegn(U'║');
constexpr char gren_venstre = tekst850::tegn(U'╠'), gren_hoejre = tekst850::tegn(U'╣');
constexpr char tynd_vandret = tekst850::tegn(U'─');
constexpr char fuld_blok = tekst850::tegn(U'█');
constexpr char maerke = tekst850::tegn(U'¯');  // under the letter that chooses

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
