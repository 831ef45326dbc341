#include "legacy_charset.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "code_page_850.h"

namespace console_detail {

namespace {

constexpr char replacement = '?';

// The code points that ISO-8859-15 puts in place of eight of latin1's.
struct latin9_change {
    unsigned char byte;
    char32_t latin9;
};
constexpr latin9_change latin9_changes[] = {
    {0xA4, U'\u20AC'}, {0xA6, U'\u0160'}, {0xA8, U'\u0161'}, {0xB4, U'\u017D'},
    {0xB8, U'\u017E'}, {0xBC, U'\u0152'}, {0xBD, U'\u0153'}, {0xBE, U'\u0178'},
};

struct graphic {
    char32_t code_point;
    char vt100;
};
// Code page 850's lines, corners and shades; the double lines drawn single.
constexpr graphic graphics[] = {
    {U'\u2500', 'q'}, {U'\u2550', 'q'}, {U'\u2502', 'x'}, {U'\u2551', 'x'}, {U'\u250C', 'l'},
    {U'\u2554', 'l'}, {U'\u2510', 'k'}, {U'\u2557', 'k'}, {U'\u2514', 'm'}, {U'\u255A', 'm'},
    {U'\u2518', 'j'}, {U'\u255D', 'j'}, {U'\u251C', 't'}, {U'\u2560', 't'}, {U'\u2524', 'u'},
    {U'\u2563', 'u'}, {U'\u252C', 'w'}, {U'\u2566', 'w'}, {U'\u2534', 'v'}, {U'\u2569', 'v'},
    {U'\u253C', 'n'}, {U'\u256C', 'n'}, {U'\u2591', 'a'}, {U'\u2592', 'a'}, {U'\u2593', 'a'},
    {U'\u2588', '0'},
};

std::string normalised(std::string_view name) {
    std::string out;
    for (char c : name)
        if (c != '-' && c != '_')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::optional<legacy_codeset> choose_legacy_codeset(std::string_view codeset_name) {
    const std::string name = normalised(codeset_name);
    if (name.empty() || name == "utf8" || name == "ansix3.41968" || name == "ascii" ||
        name == "usascii")
        return std::nullopt;
    if (name == "iso88591") return legacy_codeset::latin1;
    if (name == "iso885915") return legacy_codeset::latin9;
    return legacy_codeset::ascii;
}

int legacy_byte(char32_t code_point, legacy_codeset codeset) {
    if (code_point < 0x80) return static_cast<int>(code_point);
    if (codeset == legacy_codeset::ascii) return -1;
    if (codeset == legacy_codeset::latin9) {
        for (const auto& c : latin9_changes) {
            if (c.latin9 == code_point) return c.byte;
            if (c.byte == code_point) return -1;  // latin1's letter that latin9 gave up
        }
    }
    // The C1 controls are no glyphs.
    return code_point >= 0xA0 && code_point <= 0xFF ? static_cast<int>(code_point) : -1;
}

std::string legacy_text(std::string_view utf8, legacy_codeset codeset) {
    std::string out;
    while (!utf8.empty()) {
        code_page_850::utf8_character c = code_page_850::decode_utf8(utf8);
        int b = c.state == code_page_850::utf8_character::kind::whole
                    ? legacy_byte(c.code_point, codeset)
                    : -1;
        out += b >= 0 ? static_cast<char>(b) : replacement;
        utf8.remove_prefix(std::max<std::size_t>(c.length, 1));
    }
    return out;
}

char vt100_graphic(char32_t code_point) {
    for (const auto& g : graphics)
        if (g.code_point == code_point) return g.vt100;
    return 0;
}

line_drawing_set dec_special_graphics() {
    line_drawing_set set{"", "\x1b(0", "\x1b(B"};
    for (char c : std::string_view("qxlkmjtuwvna0")) {
        set.pairs += c;
        set.pairs += c;
    }
    return set;
}

legacy_encoder::legacy_encoder(legacy_codeset codeset, line_drawing_set lines)
    : codeset_(codeset), lines_(std::move(lines)) {
    if (lines_.enter.empty() || lines_.exit.empty()) lines_.pairs.clear();
}

void legacy_encoder::append(std::string& out, char32_t code_point) {
    if (char g = vt100_graphic(code_point)) {
        // The acsc pairs: the graphic in an even place, the byte after it.
        for (std::size_t i = 0; i + 1 < lines_.pairs.size(); i += 2) {
            if (lines_.pairs[i] != g) continue;
            if (!drawing_lines_) out += lines_.enter;
            drawing_lines_ = true;
            out += lines_.pairs[i + 1];
            return;
        }
    }
    finish(out);
    int b = legacy_byte(code_point, codeset_);
    out += b >= 0 ? static_cast<char>(b) : replacement;
}

void legacy_encoder::finish(std::string& out) {
    if (drawing_lines_) out += lines_.exit;
    drawing_lines_ = false;
}

}  // namespace console_detail
