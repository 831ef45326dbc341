// The program's text type: a byte string whose text is shared between copies
// and copied only when a shared text is written to. The count of users sits
// with the text and is not atomic (the program has one thread), and the
// empty string is a null handle, so a table of 34,000 empty fields costs
// nothing to make or to destroy.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace katsort {

class string {
   public:
    string() = default;
    string(const char* tekst);  // NOLINT: texts convert implicitly, as literals do
    string(const char* bytes, std::size_t laengde);
    explicit string(std::string_view bytes);
    string(const string& anden) noexcept : tekst_(anden.tekst_) { tag(); }
    string(string&& anden) noexcept : tekst_(anden.tekst_) { anden.tekst_ = nullptr; }
    string& operator=(const string& anden) noexcept {
        delt_tekst* ny = anden.tekst_;  // also right when anden is this string
        anden.tag();
        slip();
        tekst_ = ny;
        return *this;
    }
    string& operator=(string&& anden) noexcept {
        if (this != &anden) {
            slip();
            tekst_ = anden.tekst_;
            anden.tekst_ = nullptr;
        }
        return *this;
    }
    ~string() {
        if (tekst_) slip();  // most fields are empty: keep their destruction a test
    }

    std::size_t length() const { return tekst_ ? tekst_->bytes.size() : 0; }
    bool empty() const { return length() == 0; }
    std::string_view view() const {
        return tekst_ ? std::string_view(tekst_->bytes) : std::string_view();
    }

    // Range-checked; throws std::out_of_range("String reference out of range").
    char operator[](std::size_t i) const;
    void put(std::size_t i, char c);
    string& operator+=(std::string_view mere);
    string& operator+=(char c);

    friend bool operator==(const string& a, const string& b) { return a.view() == b.view(); }
    friend bool operator==(const string& a, const char* b) {
        return a.view() == std::string_view(b);
    }

   private:
    struct delt_tekst {
        std::size_t brugere;
        std::string bytes;
    };
    void tag() const noexcept {
        if (tekst_) ++tekst_->brugere;
    }
    void slip() noexcept {
        if (tekst_ && --tekst_->brugere == 0) delete tekst_;
        tekst_ = nullptr;
    }
    std::string& egen_tekst();  // makes the text private before a write

    delt_tekst* tekst_ = nullptr;  // null for the empty text
};

// Skips whitespace and reads one token of any length; empty at end of input.
std::istream& operator>>(std::istream& ind, string& s);
std::ostream& operator<<(std::ostream& ud, const string& s);

}  // namespace katsort
