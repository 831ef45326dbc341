// The Unix terminal under the console: raw mode, output, input with a
// timeout, its size, and giving it back as it was on every way out.
#pragma once

#include <string>
#include <string_view>

namespace console_detail::terminal {

// Opens the controlling terminal in raw mode. False when there is none.
bool aabn(std::string& forudlaeste_bytes);
void luk();
bool er_aaben();
// Whether a descriptor is this same terminal (standard output, say).
bool er_terminalen(int andet_fd);

void skriv(std::string_view bytes);
bool stoerrelse(int& kolonner, int& raekker);
// Whether the terminal has only eight colours.
bool otte_farver();

enum class laesning { data, tid_udloebet, afbrudt, slut };
// Reads what is there, waiting at most `ventetid_ms` (-1: without limit).
laesning laes(std::string& ud, int ventetid_ms);

// Set by signals, cleared when read.
bool tag_stoerrelse_aendret();
bool tag_genoptaget();

// The row (from 1) where the cursor goes when the terminal is given back:
// below the program's last row, or on it when the terminal has no more.
void saet_slut_raekke(int raekke);

}  // namespace console_detail::terminal
