// Terminal key input as key presses: a pure function of the bytes received,
// of the key strings of the terminal's description, and of whether the
// waits for the rest of a key ran out. Which code a press gives is the key
// table's business.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "key_table.h"
#include "terminal.h"
#include "terminfo.h"

namespace console_detail {

// A key string of the terminal's description and the press it stands for;
// none for a key the table lacks (F13 and on, unless they are Shift and
// Ctrl with F1 to F12).
struct described_key {
    std::string bytes;
    std::optional<key_press> pressed;
};

// The keys of the terminal's description, read before the built-in table.
struct described_keys {
    std::vector<described_key> keys;  // each string once
    // The description's 8-bit introducers (CSI, SS3) are keys' starts too
    // in the built-in table's sequences.
    bool csi_8bit = false, ss3_8bit = false;
};

// The keys of a description's strings. A string it gives two keys is the
// one that starts nothing: Delete, say, and never F1. In a UTF-8 locale a
// string that starts as a character does is left to the characters, and
// the 8-bit introducers are no keys' starts.
described_keys describe_keys(const std::vector<terminfo::key_string>& strings, bool utf8);

class key_decoder {
   public:
    key_decoder() = default;
    // Reads the description's keys first; they must outlive the decoder.
    explicit key_decoder(const described_keys* described) : described_(described) {}

    void feed(std::string_view bytes) { buf_.append(bytes); }

    // The next key pressed; none when the bytes so far make no key yet.
    // Bytes that are no key (a terminal's reports, what is not UTF-8) are
    // passed over. With `timed_out`, bytes that wait for more (a lone Esc)
    // are taken as they stand.
    std::optional<key_press> next(bool timed_out = false);

    // The next key once the sequence wait ran out: a key sequence that has
    // not ended is read as typed (Esc and one character as Alt with it; a
    // longer one is dropped), or as the description's key it already is.
    std::optional<key_press> give_up();

    // Whether the unread bytes could still be a key's beginning that a short
    // wait would settle (a lone Esc, Esc and part of a character).
    bool waits_for_time() const;
    // Whether they are a key sequence begun and not ended, which the
    // sequence wait settles (a report's string is no key and waits on).
    bool waits_for_sequence() const;
    bool empty() const { return buf_.empty(); }

   private:
    // Drops the rest of an overlong sequence; true while it lasts.
    bool swallow_rest();

    std::string buf_;
    bool swallowing_ = false;  // inside a sequence too long to keep
    const described_keys* described_ = nullptr;
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
// `esc_wait_ms` for those that a short wait settles (a lone Esc) and
// `sequence_wait_ms` for the rest of a begun key sequence (-1: without
// limit); none when the terminal is gone.
std::optional<key_press> read_terminal_key(key_decoder& keys, terminal_input& input,
                                           int esc_wait_ms, int sequence_wait_ms = -1);

}  // namespace console_detail
