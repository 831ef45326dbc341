// Sort keys: the alphabetic key of a text, the numeric key of a digit text
// and the decimal text of a lot position.
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "kat_opsaetning.h"
#include "vaegte.h"

namespace {

int tegnvaerdi(unsigned char b) {
    int lav = b;
    if (b >= 'A' && b <= 'Z') lav = b + 32;
    if (b == 255) lav = -1;
    return lav - 47;
}

double vaegt(std::size_t p) { return p < antal_vaegte ? vaegt_tabel[p] : 0.0; }

// An exact binary number: (-1)^negativ * mantisse * 2^eksponent.
struct eksakt_tal {
    bool negativ = false;
    unsigned __int128 mantisse = 0;
    int eksponent = 0;
};

eksakt_tal fra_double(double d, int faktor) {
    eksakt_tal t;
    if (d == 0.0 || faktor == 0) return t;
    int k = 0;
    double f = std::frexp(std::fabs(d), &k);
    auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
    t.negativ = (d < 0) != (faktor < 0);
    t.mantisse = static_cast<unsigned __int128>(m) * static_cast<unsigned>(std::abs(faktor));
    t.eksponent = k - 53;
    return t;
}

int bitlaengde(unsigned __int128 x) {
    int n = 0;
    while (x) {
        x >>= 1;
        ++n;
    }
    return n;
}

// Rounds m * 2^e (m below 2^127) to `bits` significant bits, nearest, ties to
// even; `rest` says whether anything nonzero lies below m.
void afrund(unsigned __int128& m, int& e, int bits, bool rest) {
    int laengde = bitlaengde(m);
    if (laengde <= bits) return;
    int skift = laengde - bits;
    unsigned __int128 halv = static_cast<unsigned __int128>(1) << (skift - 1);
    unsigned __int128 rem = m & ((halv << 1) - 1);
    m >>= skift;
    e += skift;
    if (rem > halv || (rem == halv && (rest || (m & 1)))) ++m;
    if (bitlaengde(m) > bits) {
        m >>= 1;
        ++e;
    }
}

// The exact sum a + b rounded to a 64-bit significand.
eksakt_tal sum_64(eksakt_tal a, eksakt_tal b) {
    if (b.mantisse == 0) return a;
    if (a.mantisse == 0) return b;
    int top_a = a.eksponent + bitlaengde(a.mantisse);
    int top_b = b.eksponent + bitlaengde(b.mantisse);
    if (top_b > top_a) std::swap(a, b);
    int venstre = 126 - bitlaengde(a.mantisse) + 1;
    a.mantisse <<= venstre;
    a.eksponent -= venstre;
    bool rest = false;
    int d = a.eksponent - b.eksponent;
    if (d <= 0) {
        b.mantisse <<= -d;
    } else if (d >= 127) {
        rest = true;
        b.mantisse = 0;
    } else {
        unsigned __int128 tabt = b.mantisse & ((static_cast<unsigned __int128>(1) << d) - 1);
        rest = tabt != 0;
        b.mantisse >>= d;
    }
    eksakt_tal r;
    r.eksponent = a.eksponent;
    if (a.negativ == b.negativ) {
        r.negativ = a.negativ;
        r.mantisse = a.mantisse + b.mantisse;
    } else if (a.mantisse >= b.mantisse) {
        r.negativ = a.negativ;
        r.mantisse = a.mantisse - b.mantisse - (rest ? 1 : 0);
    } else {
        r.negativ = b.negativ;
        r.mantisse = b.mantisse - a.mantisse;
    }
    afrund(r.mantisse, r.eksponent, 64, rest);
    return r;
}

// The double nearest to t, ties to even, subnormals included.
double til_double(eksakt_tal t) {
    if (t.mantisse == 0) return 0.0;
    int top = t.eksponent + bitlaengde(t.mantisse) - 1;
    int lsb = std::max(top - 52, -1074);
    int skift = lsb - t.eksponent;
    unsigned __int128 m = t.mantisse;
    if (skift > 0) {
        if (skift > 126) return t.negativ ? -0.0 : 0.0;
        unsigned __int128 halv = static_cast<unsigned __int128>(1) << (skift - 1);
        unsigned __int128 rem = m & ((halv << 1) - 1);
        m >>= skift;
        if (rem > halv || (rem == halv && (m & 1))) ++m;
    } else {
        m <<= -skift;
    }
    double d = std::ldexp(static_cast<double>(static_cast<std::uint64_t>(m)), lsb);
    return t.negativ ? -d : d;
}

}  // namespace

// Exact integer arithmetic: the reference that holds on every platform.
double kat_opsaetning::alfa_noegle_portabel(string tekst) {
    double s = 0.0;
    std::string_view bytes = tekst.view();
    for (std::size_t i = 0; i < bytes.size() && i < antal_vaegte; ++i) {
        int v = tegnvaerdi(static_cast<unsigned char>(bytes[i]));
        eksakt_tal sum = sum_64(fra_double(s, 1), fra_double(vaegt(i), v));
        s = til_double(sum);
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
