// Glyphs for a terminal whose locale is not UTF-8: the letters its codeset
// has as single bytes, lines and corners through its line-drawing set, and
// '?' for the rest.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace console_detail {

enum class legacy_codeset {
    latin1,  // ISO-8859-1
    latin9,  // ISO-8859-15: latin1 with the euro sign, Š š Ž ž Œ œ Ÿ
    ascii,   // any other codeset: only its ASCII is trusted
};

// The codeset of a locale's name for it (nl_langinfo(CODESET)); nothing
// where UTF-8 stays: UTF-8 itself, and the C locale's ASCII, since a
// terminal reached with LANG=C is almost always UTF-8.
std::optional<legacy_codeset> choose_legacy_codeset(std::string_view codeset_name);

// The byte of a code point in the codeset, or -1 when it has none.
int legacy_byte(char32_t code_point, legacy_codeset codeset);

// UTF-8 text in the codeset: '?' for what it lacks and for what is no UTF-8.
std::string legacy_text(std::string_view utf8, legacy_codeset codeset);

// The VT100 graphic (acsc's key: q, x, l, ...) that draws a line, corner or
// shade; double lines as single ones. 0 when the glyph is no such thing.
char vt100_graphic(char32_t code_point);

// How the terminal draws the VT100 graphics (terminfo acsc, smacs, rmacs).
struct line_drawing_set {
    std::string pairs;  // acsc: a VT100 graphic followed by the terminal's byte
    std::string enter, exit;
};

// DEC special graphics, for a terminal that does not describe its own.
line_drawing_set dec_special_graphics();

// Appends glyphs in the codeset, entering the line-drawing set only for a
// run of line glyphs.
class legacy_encoder {
   public:
    legacy_encoder(legacy_codeset codeset, line_drawing_set lines);

    void append(std::string& out, char32_t code_point);
    // Back to the normal set; every text sent ends with it.
    void finish(std::string& out);
    const std::string& exit_line_drawing() const { return lines_.exit; }

   private:
    legacy_codeset codeset_;
    line_drawing_set lines_;
    bool drawing_lines_ = false;
};

}  // namespace console_detail
