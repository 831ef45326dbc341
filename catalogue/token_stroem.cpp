#include "token_stroem.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr std::size_t bufferstoerrelse = 1 << 18;
}

token_stroem::token_stroem(const char* filnavn) : buf_(bufferstoerrelse) {
    do fd_ = ::open(filnavn, O_RDONLY | O_CLOEXEC);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        fejl_ = errno;
        slut_ = true;
    }
}

token_stroem::~token_stroem() {
    if (fd_ >= 0) ::close(fd_);
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
    auto* ny = buf_.data() + slutpos_;
    if (auto* sub = static_cast<char*>(std::memchr(ny, 0x1A, static_cast<std::size_t>(n)))) {
        // Text mode: the input ends at 0x1A. Note whether anything but
        // further end marks and whitespace stood behind it.
        for (char* p = sub; p < ny + n; ++p)
            if (*p != 0x1A && !er_mellemrum(static_cast<unsigned char>(*p))) data_efter_1a_ = true;
        if (!data_efter_1a_) {
            char rest[4096];
            ssize_t m;
            while ((m = ::read(fd_, rest, sizeof rest)) > 0 || (m < 0 && errno == EINTR))
                for (ssize_t i = 0; i < m; ++i)
                    if (rest[i] != 0x1A && !er_mellemrum(static_cast<unsigned char>(rest[i])))
                        data_efter_1a_ = true;
        }
        n = sub - ny;
        slut_ = true;
    }
    slutpos_ += static_cast<std::size_t>(n);
    return n > 0;
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
        auto* hash = static_cast<char*>(std::memchr(fra, '#', slutpos_ - pos_));
        if (!hash) {
            if (pos_ < slutpos_) forrige_ = static_cast<unsigned char>(buf_[slutpos_ - 1]);
            pos_ = slutpos_;
            if (!fyld()) return false;
            continue;
        }
        std::size_t q = static_cast<std::size_t>(hash - buf_.data());
        unsigned char foer = q == pos_ ? forrige_ : static_cast<unsigned char>(buf_[q - 1]);
        // Make the byte after the hash visible; a refill moves the buffer.
        std::size_t afstand = q - pos_;
        bool mere = kig(afstand + 1);
        q = pos_ + afstand;
        bool efter_ok = !mere || er_mellemrum(static_cast<unsigned char>(buf_[q + 1]));
        forrige_ = '#';
        pos_ = q + 1;
        if (er_mellemrum(foer) && efter_ok) return true;
    }
}
