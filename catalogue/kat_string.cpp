#include "kat_string.h"

#include <istream>
#include <ostream>
#include <stdexcept>

namespace katsort {

string::string(const char* tekst) : string(std::string_view(tekst)) {}

string::string(const char* bytes, std::size_t laengde) : string(std::string_view(bytes, laengde)) {}

string::string(std::string_view bytes) {
    if (!bytes.empty()) tekst_ = new delt_tekst{1, std::string(bytes)};
}

char string::operator[](std::size_t i) const {
    if (i >= length()) throw std::out_of_range("String reference out of range");
    return tekst_->bytes[i];
}

std::string& string::egen_tekst() {
    if (!tekst_) {
        tekst_ = new delt_tekst{1, {}};
    } else if (tekst_->brugere > 1) {
        auto* egen = new delt_tekst{1, tekst_->bytes};
        slip();
        tekst_ = egen;
    }
    return tekst_->bytes;
}

void string::put(std::size_t i, char c) {
    if (i >= length()) throw std::out_of_range("String reference out of range");
    egen_tekst()[i] = c;
}

string& string::operator+=(std::string_view mere) {
    if (!mere.empty()) egen_tekst().append(mere);
    return *this;
}

string& string::operator+=(char c) {
    egen_tekst().push_back(c);
    return *this;
}

std::istream& operator>>(std::istream& ind, string& s) {
    std::string token;
    if (ind >> token)
        s = string(std::string_view(token));
    else
        s = string();
    return ind;
}

std::ostream& operator<<(std::ostream& ud, const string& s) {
    return ud.write(s.view().data(), static_cast<std::streamsize>(s.length()));
}

}  // namespace katsort
