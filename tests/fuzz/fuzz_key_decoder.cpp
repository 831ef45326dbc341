// The key decoder: any bytes, and the short wait running out anywhere (the
// byte 0xFD stands for that). Every key is one code 1..255, or 0 and a code.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "key_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    console_detail::tastdekoder d;
    std::vector<int> koder;
    auto tjek = [&] {
        if (koder.size() == 1 && koder[0] >= 1 && koder[0] <= 255) return;
        if (koder.size() == 2 && koder[0] == 0 && koder[1] >= 0 && koder[1] <= 255) return;
        std::abort();
    };
    for (std::size_t i = 0; i < size; ++i) {
        bool udloebet = data[i] == 0xFD;
        if (!udloebet) d.tilfoej(std::string_view(reinterpret_cast<const char*>(data) + i, 1));
        while (d.naeste(koder, udloebet)) tjek();
    }
    while (d.naeste(koder, true)) tjek();
    return 0;
}
