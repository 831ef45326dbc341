// The multi-key selection sort of the lot records, with renumbering.
//
// The order is that of a plain selection sort that, for every position i,
// takes the first record of i..last with the smallest key and swaps it into
// place through record 0. To run fast on a full table, each pass computes
// every record's key once and finds the minimum with a tournament tree
// instead of a linear scan; the comparisons decide exactly as the linear
// scan would, so order and lot numbers are the same.
#include <cstdint>
#include <utility>
#include <vector>

#include "kat_opsaetning.h"

using katsort::string;

namespace {

constexpr double tal_vogter = 99999999999.0;
constexpr double alfa_vogter = 1e32;

// Minimum of (key, position) over the remaining positions of one pass;
// among equal keys the lowest position wins, as in a left-to-right scan.
class turnering {
   public:
    explicit turnering(std::vector<double> noegler) : n_(noegler.size()) {
        bredde_ = 1;
        while (bredde_ < n_) bredde_ *= 2;
        noegle_.assign(2 * bredde_, uendelig);
        plads_.assign(2 * bredde_, 0);
        for (std::size_t i = 0; i < n_; ++i) {
            noegle_[bredde_ + i] = noegler[i];
            plads_[bredde_ + i] = i;
        }
        for (std::size_t k = bredde_ - 1; k >= 1; --k) opdater_knude(k);
    }

    std::size_t mindste() const { return plads_[1]; }

    void saet(std::size_t i, double noegle) {
        std::size_t k = bredde_ + i;
        noegle_[k] = noegle;
        for (k /= 2; k >= 1; k /= 2) opdater_knude(k);
    }

    void fjern(std::size_t i) { saet(i, uendelig); }
    double noegle(std::size_t i) const { return noegle_[bredde_ + i]; }

   private:
    static constexpr double uendelig = 1e300;

    void opdater_knude(std::size_t k) {
        std::size_t v = 2 * k, h = 2 * k + 1;
        // Strictly less: on equal keys the left (lower) position stays.
        std::size_t vinder = noegle_[h] < noegle_[v] ? h : v;
        noegle_[k] = noegle_[vinder];
        plads_[k] = plads_[vinder];
    }

    std::size_t n_, bredde_;
    std::vector<double> noegle_;
    std::vector<std::size_t> plads_;
};

void byt_poster(post_t& a, post_t& b) {
    for (int f = 0; f < antal_felter; ++f) std::swap(a[f], b[f]);
}

// Number texts of positions, made once: copies share the text.
const string& positionstekst(int i) {
    static std::vector<string> tekster = [] {
        std::vector<string> t(antal_pladser);
        for (int k = 0; k < antal_pladser; ++k) t[k] = kat_opsaetning::tal_til_tekst(k);
        return t;
    }();
    return tekster[static_cast<std::size_t>(i)];
}

}  // namespace

void kat_opsaetning::kopier_post(int fra, int til) {
    for (int f = 0; f < antal_felter; ++f) poster[til][f] = poster[fra][f];
}

void kat_opsaetning::sorter(int foerste, int sidste, const int* noegler, int niveau,
                            int antal_noegler, int behold_numre) {
    if (niveau >= antal_noegler || sidste - foerste < 4) return;
    const int felt = noegler[niveau];
    const bool numerisk = felt == 0 || felt == 1;
    const double vogter = numerisk ? tal_vogter : alfa_vogter;

    std::vector<double> noegle(static_cast<std::size_t>(sidste - foerste + 1));
    for (int j = foerste; j <= sidste; ++j) {
        double k = numerisk ? static_cast<double>(tal_noegle(poster[j][felt]))
                            : alfa_noegle(poster[j][felt]);
        // A key not below the sentinel never becomes the minimum of a scan;
        // the scan then swaps record i with itself.
        noegle[static_cast<std::size_t>(j - foerste)] = k < vogter ? k : vogter;
    }
    turnering tur(noegle);

    for (int i = foerste; i <= sidste; ++i) {
        auto ii = static_cast<std::size_t>(i - foerste);
        std::size_t mm = tur.mindste();
        if (!(tur.noegle(mm) < vogter)) mm = ii;
        int m = foerste + static_cast<int>(mm);
        if (m != i) {
            byt_poster(poster[i], poster[m]);
            tur.saet(mm, tur.noegle(ii));
        }
        tur.fjern(ii);
        if (i == sidste) kopier_post(i, 0);  // the swap slot holds the last record moved
        if (behold_numre == 0) poster[i][1] = positionstekst(i);
    }

    if (niveau >= antal_noegler - 1) return;
    for (int a = foerste; a <= sidste;) {
        const string& g = poster[a][felt];
        int b = a;
        while (b <= sidste && poster[b][felt] == g) ++b;
        if (b - 1 - a >= 2) sorter(a, b - 1, noegler, niveau + 1, antal_noegler, behold_numre);
        a = b;
    }
}
