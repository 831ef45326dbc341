// Terminal key input as console key codes: a pure function of the bytes
// received and of whether the short wait after a lone Esc ran out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace console_detail {

class key_decoder {
   public:
    void feed(std::string_view bytes) { buf_.append(bytes); }

    // Decodes the next key into one code, or 0 and an extended code. False
    // when the bytes so far make no key yet. With `timed_out`, bytes that wait
    // for more (a lone Esc) are taken as they stand.
    bool next(std::vector<int>& codes, bool timed_out = false);

    // Whether the unread bytes could still be a key's beginning that a short
    // wait would settle (a lone Esc, Esc and part of a character).
    bool waits_for_time() const;
    bool empty() const { return buf_.empty(); }

   private:
    // Drops the rest of an overlong sequence; true while it lasts.
    bool swallow_rest();

    std::string buf_;
    bool swallowing_ = false;  // inside a sequence too long to keep
};

}  // namespace console_detail
