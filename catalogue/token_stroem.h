// A forward-only token reader over one catalogue file, as the files are read:
// tokens are runs of bytes other than space, tab, LF, VT, FF and CR, and a
// byte 0x1A ends the input, as it does for text files on the console system.
#pragma once

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "sikker_fil.h"

class token_stroem {
   public:
    // Opens a file. Anything but a regular file (a FIFO, a device, a folder)
    // counts as missing, so reading can never hang.
    explicit token_stroem(const char* filnavn);
    ~token_stroem();
    token_stroem(const token_stroem&) = delete;
    token_stroem& operator=(const token_stroem&) = delete;

    bool aaben() const { return aaben_; }
    bool laesefejl() const { return fejl_ != 0; }
    bool findes_ikke() const { return fejl_ == ENOENT; }
    // Why the file can't be read, in Danish terms the messages can quote.
    std::string fejltekst() const;
    // Which file was opened.
    const fil_id& id() const { return id_; }
    // Whether a 0x1A byte cut the input short with more bytes behind it.
    bool afbrudt_af_1a() const { return data_efter_1a_; }

    // The next token; empty at end of input. The view holds until the next call.
    std::string_view naeste();
    // Reads on until a "#" token has been read; false at end of input.
    bool spring_til_markoer();
    // True when only whitespace is left.
    bool ved_slut();
    // Reads the same open file again from its start: what was read once is
    // read again even if the name is given another file meanwhile.
    void spol_tilbage();

    static bool er_mellemrum(unsigned char b) { return b == ' ' || (b >= '\t' && b <= '\r'); }

   private:
    bool fyld();  // reads more bytes behind the unread ones; false at end
    void afkort_ved_1a(std::size_t fra, std::size_t n);
    bool kig(std::size_t i);  // makes byte pos_+i available; false at end

    fil_id id_;
    int fd_ = -1;
    bool aaben_ = false;
    int fejl_ = 0;       // errno, or ikke_almindelig
    bool slut_ = false;  // no more bytes will come from the file
    bool data_efter_1a_ = false;
    std::vector<char> buf_;
    std::size_t pos_ = 0, slutpos_ = 0;
    unsigned char forrige_ = ' ';  // the byte before pos_; start of file counts as whitespace
    std::string samlet_;           // a token that spans refills
};
