#include "kat_string.h"

#include <istream>
#include <ostream>
#include <stdexcept>

string::string(const char* tekst) : string(std::string_view(tekst)) {}

string::string(const char* bytes, std::size_t laengde) : string(std::string_view(bytes, laengde)) {}

string::string(std::string_view bytes) {
    if (!bytes.empty()) tekst_ = std::make_shared<std::string>(bytes);
}

char string::operator[](std::size_t i) const {
    if (i >= length()) throw std::out_of_range("String reference out of range");
    return (*tekst_)[i];
}

std::string& string::egen_tekst() {
    if (!tekst_)
        tekst_ = std::make_shared<std::string>();
    else if (tekst_.use_count() > 1)
        tekst_ = std::make_shared<std::string>(*tekst_);
    return *tekst_;
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
