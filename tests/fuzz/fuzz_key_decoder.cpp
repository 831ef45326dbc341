// The key decoder: any bytes, and the short wait running out anywhere (the
// byte 0xFD stands for that). Every key is one code 1..255, or 0 and a code.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "key_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    console_detail::key_decoder d;
    std::vector<int> codes;
    auto check = [&] {
        if (codes.size() == 1 && codes[0] >= 1 && codes[0] <= 255) return;
        if (codes.size() == 2 && codes[0] == 0 && codes[1] >= 0 && codes[1] <= 255) return;
        std::abort();
    };
    for (std::size_t i = 0; i < size; ++i) {
        bool timed_out = data[i] == 0xFD;
        if (!timed_out) d.feed(std::string_view(reinterpret_cast<const char*>(data) + i, 1));
        while (d.next(codes, timed_out)) check();
    }
    while (d.next(codes, true)) check();
    return 0;
}
