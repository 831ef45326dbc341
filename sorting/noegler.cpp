// Sort keys: the alphabetic key of a text, the numeric key of a digit text
// and the decimal text of a lot position.
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "eksakt_tal.h"
#include "kat_opsaetning.h"
#include "vaegte.h"

using katsort::string;

namespace {

int tegnvaerdi(unsigned char b) {
    int lav = b;
    if (b >= 'A' && b <= 'Z') lav = b + 32;
    if (b == 255) lav = -1;
    return lav - 47;
}

double vaegt(std::size_t p) { return p < antal_vaegte ? vaegt_tabel[p] : 0.0; }

}  // namespace

// Exact integer arithmetic: the reference that holds on every platform.
double kat_opsaetning::alfa_noegle_portabel(string tekst) {
    double s = 0.0;
    std::string_view bytes = tekst.view();
    for (std::size_t i = 0; i < bytes.size() && i < antal_vaegte; ++i) {
        int v = tegnvaerdi(static_cast<unsigned char>(bytes[i]));
        eksakt::tal sum = eksakt::sum_64(eksakt::fra_double(s, 1), eksakt::fra_double(vaegt(i), v));
        s = eksakt::til_double(sum);
    }
    return s;
}

double kat_opsaetning::alfa_noegle(string tekst) {
#if (defined(__x86_64__) || defined(__i386__)) && LDBL_MANT_DIG == 64
    // The x87 format has exactly the 64-bit significand the key is defined
    // with, and the product of a character value and a weight fits in it.
    double s = 0.0;
    std::string_view bytes = tekst.view();
    for (std::size_t i = 0; i < bytes.size() && i < antal_vaegte; ++i) {
        double w = vaegt_tabel[i];
        // Terms below half a unit of the sum's 64-bit significand can't move it.
        if (s != 0.0 && 256.0 * w * 0x1p74 < std::fabs(s)) break;
        int v = tegnvaerdi(static_cast<unsigned char>(bytes[i]));
        long double sum =
            static_cast<long double>(s) + static_cast<long double>(v) * static_cast<long double>(w);
        s = static_cast<double>(sum);
    }
    return s;
#else
    return alfa_noegle_portabel(tekst);
#endif
}

std::int32_t kat_opsaetning::tal_noegle(string tekst) {
    // Horner's rule modulo 2^32 gives the low 32 bits of the decimal value
    // for any text, without signed overflow.
    std::uint32_t r = 0;
    for (char c : tekst.view()) {
        auto d = static_cast<std::uint32_t>(static_cast<int>(static_cast<signed char>(c)) - 48);
        r = r * 10u + d;
    }
    return static_cast<std::int32_t>(r);
}

string kat_opsaetning::tal_til_tekst(std::int32_t tal) {
    if (tal <= 0) return string();
    char cifre[12];
    int n = 0;
    for (std::int32_t rest = tal; rest > 0; rest /= 10)
        cifre[n++] = static_cast<char>('0' + rest % 10);
    char tekst[12];
    for (int i = 0; i < n; ++i) tekst[i] = cifre[n - 1 - i];
    return string(tekst, static_cast<std::size_t>(n));
}
