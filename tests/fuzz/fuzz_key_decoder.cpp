// The key decoder: any bytes, and the short wait running out anywhere (the
// byte 0xFD stands for that). Every key pressed gives no code, a character
// code 1..255, or an extended code.
#include <cstdint>
#include <cstdlib>

#include "key_decoder.h"

using namespace console_detail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    key_decoder d;
    auto check = [](const key_press& pressed) {
        key_code code = code_for(pressed);
        if (code.type == key_code::kind::character && code.code == 0) std::abort();
        if (pressed.character < 0 || pressed.character > 255) std::abort();
    };
    for (std::size_t i = 0; i < size; ++i) {
        bool timed_out = data[i] == 0xFD;
        if (!timed_out) d.feed(std::string_view(reinterpret_cast<const char*>(data) + i, 1));
        while (auto pressed = d.next(timed_out)) check(*pressed);
    }
    while (auto pressed = d.next(true)) check(*pressed);
    return 0;
}
