#include "token_stroem.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fejltekst.h"

namespace {
constexpr std::size_t bufferstoerrelse = 1 << 18;
}  // namespace

token_stroem::token_stroem(const char* filnavn) : buf_(1) {
    fd_ = aabn_til_laesning(filnavn, fejl_);
    slut_ = true;
    if (fd_ < 0) return;
    aaben_ = true;
    slut_ = false;
    id_ = id_for(fd_);
    buf_.resize(bufferstoerrelse);
}

token_stroem::~token_stroem() {
    if (fd_ >= 0) ::close(fd_);
}

std::string token_stroem::fejltekst() const {
    if (fejl_ == ikke_almindelig) return "er ikke en almindelig fil";
    return ::fejltekst(fejl_);
}

// Text mode: the input ends at the 0x1A at `fra`. Notes whether anything but
// further end marks and whitespace stood behind it, up to `n`.
void token_stroem::afkort_ved_1a(std::size_t fra, std::size_t n) {
    for (std::size_t p = fra; p < n; ++p)
        if (buf_[p] != 0x1A && !er_mellemrum(static_cast<unsigned char>(buf_[p])))
            data_efter_1a_ = true;
    slutpos_ = fra;
    slut_ = true;
}

bool token_stroem::fyld() {
    if (slut_) return false;
    if (pos_ > 0) {
        std::memmove(buf_.data(), buf_.data() + pos_, slutpos_ - pos_);
        slutpos_ -= pos_;
        pos_ = 0;
    }
    if (slutpos_ == buf_.size()) buf_.resize(buf_.size() * 2);
    ssize_t n;
    do n = ::read(fd_, buf_.data() + slutpos_, buf_.size() - slutpos_);
    while (n < 0 && errno == EINTR);
    if (n <= 0) {
        if (n < 0) fejl_ = errno;
        slut_ = true;
        return false;
    }
    std::size_t ny = slutpos_;
    slutpos_ += static_cast<std::size_t>(n);
    if (auto* sub =
            static_cast<char*>(std::memchr(buf_.data() + ny, 0x1A, static_cast<std::size_t>(n)))) {
        afkort_ved_1a(static_cast<std::size_t>(sub - buf_.data()), slutpos_);
        if (!data_efter_1a_) {
            char rest[4096];
            ssize_t m;
            while ((m = ::read(fd_, rest, sizeof rest)) > 0 || (m < 0 && errno == EINTR))
                for (ssize_t i = 0; i < m; ++i)
                    if (rest[i] != 0x1A && !er_mellemrum(static_cast<unsigned char>(rest[i])))
                        data_efter_1a_ = true;
        }
        return slutpos_ > ny;
    }
    return true;
}

void token_stroem::spol_tilbage() {
    pos_ = 0;
    forrige_ = ' ';
    samlet_.clear();
    if (fd_ < 0) return;  // missing: nothing to read again
    fejl_ = ::lseek(fd_, 0, SEEK_SET) == 0 ? 0 : errno;
    slutpos_ = 0;
    slut_ = fejl_ != 0;
    data_efter_1a_ = false;
}

bool token_stroem::kig(std::size_t i) {
    while (pos_ + i >= slutpos_)
        if (!fyld()) return false;
    return true;
}

bool token_stroem::ved_slut() {
    for (;;) {
        while (pos_ < slutpos_ && er_mellemrum(static_cast<unsigned char>(buf_[pos_]))) {
            forrige_ = static_cast<unsigned char>(buf_[pos_]);
            ++pos_;
        }
        if (pos_ < slutpos_) return false;
        if (!fyld()) return true;
    }
}

std::string_view token_stroem::naeste() {
    if (ved_slut()) return {};
    std::size_t start = pos_;
    samlet_.clear();
    bool delt = false;
    for (;;) {
        while (pos_ < slutpos_ && !er_mellemrum(static_cast<unsigned char>(buf_[pos_]))) ++pos_;
        if (pos_ < slutpos_ || slut_) break;
        // The token runs on past the buffer: keep what we have and read more.
        samlet_.append(buf_.data() + start, pos_ - start);
        delt = true;
        bool mere = fyld();
        start = pos_;
        if (!mere) break;
    }
    forrige_ = 'x';  // the last byte of a token is never whitespace
    if (!delt) return {buf_.data() + start, pos_ - start};
    samlet_.append(buf_.data() + start, pos_ - start);
    return samlet_;
}

bool token_stroem::spring_til_markoer() {
    for (;;) {
        char* fra = buf_.data() + pos_;
        auto* havelaage = static_cast<char*>(std::memchr(fra, '#', slutpos_ - pos_));
        if (!havelaage) {
            if (pos_ < slutpos_) forrige_ = static_cast<unsigned char>(buf_[slutpos_ - 1]);
            pos_ = slutpos_;
            if (!fyld()) return false;
            continue;
        }
        std::size_t q = static_cast<std::size_t>(havelaage - buf_.data());
        unsigned char foer = q == pos_ ? forrige_ : static_cast<unsigned char>(buf_[q - 1]);
        // Make the byte after the hash sign visible; a refill moves the buffer.
        std::size_t afstand = q - pos_;
        bool mere = kig(afstand + 1);
        q = pos_ + afstand;
        bool efter_ok = !mere || er_mellemrum(static_cast<unsigned char>(buf_[q + 1]));
        forrige_ = '#';
        pos_ = q + 1;
        if (er_mellemrum(foer) && efter_ok) return true;
    }
}
