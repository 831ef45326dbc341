#include "eksakt_tal.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace eksakt {

tal fra_double(double d, int faktor) {
    tal t;
    if (d == 0.0 || faktor == 0) return t;
    int k = 0;
    double f = std::frexp(std::fabs(d), &k);
    auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
    t.negativ = (d < 0) != (faktor < 0);
    t.mantisse = static_cast<unsigned __int128>(m) * static_cast<unsigned>(std::abs(faktor));
    t.eksponent = k - 53;
    return t;
}

namespace {

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
    unsigned __int128 under = m & ((halv << 1) - 1);
    m >>= skift;
    e += skift;
    if (under > halv || (under == halv && (rest || (m & 1)))) ++m;
    if (bitlaengde(m) > bits) {
        m >>= 1;
        ++e;
    }
}

}  // namespace

// The exact sum a + b rounded to a 64-bit significand.
tal sum_64(tal a, tal b) {
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
    tal r;
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
double til_double(tal t) {
    if (t.mantisse == 0) return 0.0;
    int top = t.eksponent + bitlaengde(t.mantisse) - 1;
    int lsb = std::max(top - 52, -1074);
    int skift = lsb - t.eksponent;
    unsigned __int128 m = t.mantisse;
    if (skift > 0) {
        if (skift > 126) return t.negativ ? -0.0 : 0.0;
        unsigned __int128 halv = static_cast<unsigned __int128>(1) << (skift - 1);
        unsigned __int128 under = m & ((halv << 1) - 1);
        m >>= skift;
        if (under > halv || (under == halv && (m & 1))) ++m;
    } else {
        m <<= -skift;
    }
    double d = std::ldexp(static_cast<double>(static_cast<std::uint64_t>(m)), lsb);
    return t.negativ ? -d : d;
}

}  // namespace eksakt
