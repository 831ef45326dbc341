#include <utility>

#include "sikker_fil.h"

udskrift::udskrift(skriv_ud ud) : ud_(std::move(ud)) { buf_.reserve(kapacitet); }

udskrift& udskrift::operator<<(std::string_view tekst) {
    if (fejlet_) return *this;
    if (buf_.size() + tekst.size() > kapacitet && !toem()) return *this;
    if (tekst.size() >= kapacitet)
        fejlet_ = !ud_(tekst);
    else
        buf_ += tekst;
    return *this;
}

bool udskrift::toem() {
    if (!fejlet_ && !buf_.empty()) fejlet_ = !ud_(buf_);
    buf_.clear();
    return !fejlet_;
}
