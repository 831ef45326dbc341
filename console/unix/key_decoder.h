// Terminal key input as key presses: a pure function of the bytes received
// and of whether the short wait after a lone Esc ran out. Which code a press
// gives is the key table's business.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "key_table.h"
#include "terminal.h"

namespace console_detail {

class key_decoder {
   public:
    void feed(std::string_view bytes) { buf_.append(bytes); }

    // The next key pressed; none when the bytes so far make no key yet.
    // Bytes that are no key (a terminal's reports, what is not UTF-8) are
    // passed over. With `timed_out`, bytes that wait for more (a lone Esc)
    // are taken as they stand.
    std::optional<key_press> next(bool timed_out = false);

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

// What a key read needs of a terminal.
class terminal_input {
   public:
    // Brings the screen up to date: the operator sees it before every wait.
    virtual void show() = 0;
    // Reads what is there, waiting at most `timeout_ms` (-1: without limit).
    virtual terminal::read_result read(std::string& bytes, int timeout_ms) = 0;

   protected:
    ~terminal_input() = default;
};

// Reads one key: waits without limit for the terminal's bytes, but only
// `esc_wait_ms` for those that a short wait settles (a lone Esc); none when
// the terminal is gone.
std::optional<key_press> read_terminal_key(key_decoder& keys, terminal_input& input,
                                           int esc_wait_ms);

}  // namespace console_detail
