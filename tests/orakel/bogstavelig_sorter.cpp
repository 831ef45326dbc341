#include "bogstavelig_sorter.h"

using katsort::string;

void bogstavelig_sorter(kat_opsaetning& k, int foerste, int sidste, const int* noegler, int niveau,
                        int antal_noegler, int behold_numre) {
    if (niveau >= antal_noegler || sidste - foerste < 4) return;
    const int felt = noegler[niveau];
    const bool numerisk = felt == 0 || felt == 1;
    auto noegle = [&](int r) {
        return numerisk ? static_cast<double>(kat_opsaetning::tal_noegle(k.post(r)[felt]))
                        : kat_opsaetning::alfa_noegle(k.post(r)[felt]);
    };
    for (int i = foerste; i <= sidste; ++i) {
        double mindste = numerisk ? 99999999999.0 : 1e32;
        int m = i;
        for (int j = i; j <= sidste; ++j) {
            double n = noegle(j);
            if (n < mindste) {
                mindste = n;
                m = j;
            }
        }
        k.kopier_post(m, 0);
        k.kopier_post(i, m);
        k.kopier_post(0, i);
        if (behold_numre == 0) k.post(i)[1] = kat_opsaetning::tal_til_tekst(i);
    }
    if (niveau >= antal_noegler - 1) return;
    for (int a = foerste; a <= sidste;) {
        string g = k.post(a)[felt];
        int b = a;
        while (b <= sidste && k.post(b)[felt] == g) ++b;
        if (b - 1 - a >= 2)
            bogstavelig_sorter(k, a, b - 1, noegler, niveau + 1, antal_noegler, behold_numre);
        a = b;
    }
}
