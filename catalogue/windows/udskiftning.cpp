#include "udskiftning.h"

#include "tekst850.h"

using tekst850::operator""_850;

namespace {

// A virus scanner or an indexer may hold a freshly closed file for a moment.
constexpr int forsoeg = 10;
constexpr int pause_ms = 100;

bool forbigaaende(std::uint32_t fejl) {
    return fejl == windows_fejl::deling_afvist || fejl == windows_fejl::adgang_naegtet ||
           fejl == windows_fejl::erstattet_ikke_fjernet;
}

class udskiftning {
   public:
    udskiftning(const windows_filkald& kald, const windows_navne& navne, const fil_id* laest)
        : kald_(kald), n_(navne), laest_(laest) {}

    erstatning koer(const indhold_t& indhold) {
        auto liste = kald_.attributter(n_.liste.sti);
        if (skrivebeskyttet_windows(kald_, n_.liste.sti)) {
            r_.fejl = n_.liste.vist + " er skrivebeskyttet";
            return r_;
        }
        gamle_attributter_ = liste.value_or(0);
        if (!ryd_side() || !find_ledig_reserve() || !skriv_side(indhold) || !uaendret()) return r_;
        if (!liste)
            flyt_paa_plads();
        else
            erstat();
        return r_;
    }

   private:
    bool findes(const windows_navn& n) const { return kald_.attributter(n.sti).has_value(); }

    bool saa_fejl(const std::string& hvad, std::uint32_t kode) {
        r_.fejl = hvad + ": " + kald_.fejltekst(kode);
        return false;
    }

    bool med_forsoeg(const std::function<bool()>& skridt) {
        for (int i = 1;; ++i) {
            if (skridt()) return true;
            if (i == forsoeg || !forbigaaende(kald_.sidste_fejl())) return false;
            kald_.vent(pause_ms);
        }
    }

    bool slet(const windows_navn& n) {
        return med_forsoeg([&] { return kald_.slet(n.sti); });
    }

    bool flyt(const windows_navn& fra, const windows_navn& til) {
        return med_forsoeg([&] { return kald_.flyt(fra.sti, til.sti); });
    }

    // A side file left by an earlier save is removed; a folder, a link or a
    // device of that name is never touched.
    bool ryd_side() {
        auto a = kald_.attributter(n_.side.sti);
        if (!a) return true;
        using namespace windows_attribut;
        if ((*a & (mappe | genvej | enhed)) || !kald_.er_sig_selv(n_.side.sti)) {
            r_.fejl = n_.side.vist + " findes og er ikke en almindelig fil; fjern den, og gem igen";
            return false;
        }
        if (!slet(n_.side))
            return saa_fejl("Kan ikke fjerne den gamle " + n_.side.vist, kald_.sidste_fejl());
        return true;
    }

    // The old list's name while the new one moves in: one that nothing has.
    bool find_ledig_reserve() {
        const windows_navn grund = n_.reserve;
        for (int i = 1; findes(n_.reserve); ++i) {
            if (i > 99) {
                r_.fejl = grund.vist + " og 99 navne mere findes allerede; ryd op i mappen";
                return false;
            }
            n_.reserve = {grund.sti + std::to_wstring(i), grund.vist + std::to_string(i)};
        }
        return true;
    }

    bool skriv_side(const indhold_t& indhold) {
        windows_filkald::haandtag h = kald_.opret_ny(n_.side.sti);
        if (!h) return saa_fejl("Kan ikke oprette " + n_.side.vist, kald_.sidste_fejl());
        bool ok = skriv_og_gem(h, indhold);
        if (!kald_.luk(h) && ok)
            ok = saa_fejl("Kan ikke lukke " + n_.side.vist, kald_.sidste_fejl());
        if (ok) ny_id_ = kald_.id(n_.side.sti);
        if (!ok) slet(n_.side);
        return ok;
    }

    bool skriv_og_gem(windows_filkald::haandtag h, const indhold_t& indhold) {
        std::uint32_t skrivefejl = 0;
        udskrift ud([&](std::string_view del) {
            if (kald_.skriv(h, del)) return true;
            skrivefejl = kald_.sidste_fejl();
            return false;
        });
        bool lavet;
        try {
            lavet = indhold(ud);
        } catch (...) {
            kald_.luk(h);
            slet(n_.side);
            throw;
        }
        if (!ud.toem()) return saa_fejl("Kan ikke skrive " + n_.side.vist, skrivefejl);
        if (!lavet) return false;
        if (!kald_.gem_paa_disken(h))
            return saa_fejl("Kan ikke gemme " + n_.side.vist + " på disken"_850,
                            kald_.sidste_fejl());
        return true;
    }

    bool uaendret() {
        if (!laest_ || kald_.id(n_.liste.sti) == *laest_) return true;
        r_.fejl = n_.liste.vist + " blev ændret af et andet program under gemningen"_850;
        slet(n_.side);
        return false;
    }

    void flyt_paa_plads() {
        if (flyt(n_.side, n_.liste)) {
            r_.ok = true;
            return;
        }
        saa_fejl("Kan ikke omdøbe "_850 + n_.side.vist + " til " + n_.liste.vist,
                 kald_.sidste_fejl());
        slet(n_.side);
    }

    void erstat() {
        if (med_forsoeg([&] { return kald_.erstat(n_.liste.sti, n_.side.sti, n_.reserve.sti); })) {
            faerdig_med_ny_liste();
            return;
        }
        saa_fejl("Kan ikke sætte "_850 + n_.side.vist + " i stedet for " + n_.liste.vist,
                 kald_.sidste_fejl());
        gendan();
    }

    bool er_den_nye(const fil_id& id) const {
        return id.enhed == ny_id_.enhed && id.inode == ny_id_.inode && !(ny_id_ == fil_id{});
    }

    // The old list is gone now: only the reserve name may still hold it.
    void faerdig_med_ny_liste() {
        r_.ok = true;
        r_.fejl.clear();
        bevar_attributter();
        if (findes(n_.reserve) && !slet(n_.reserve))
            r_.bemaerkninger.push_back("Den gamle liste ligger stadig i " + n_.reserve.vist +
                                       "; den kan slettes");
    }

    // ReplaceFileW failed halfway: what stands where decides, since its
    // error codes tell only part of it. The new list goes in if it can,
    // else the old one goes back.
    void gendan() {
        if (findes(n_.liste)) {
            if (er_den_nye(kald_.id(n_.liste.sti))) return faerdig_med_ny_liste();
            if (findes(n_.side)) slet(n_.side);
            if (findes(n_.reserve)) slet(n_.reserve);
            return;
        }
        if (findes(n_.side) && flyt(n_.side, n_.liste)) return faerdig_med_ny_liste();
        if (findes(n_.reserve) && flyt(n_.reserve, n_.liste)) {
            if (findes(n_.side)) slet(n_.side);
            return;
        }
        r_.gammel_beholdt = false;
        r_.fejl += "; " + n_.liste.vist + " findes ikke nu";
        if (findes(n_.side)) r_.fejl += ", den nye liste ligger i " + n_.side.vist;
        if (findes(n_.reserve)) r_.fejl += ", den gamle liste ligger i " + n_.reserve.vist;
    }

    // A hidden or system list stays so: the replace gives the new list the
    // side file's attributes.
    void bevar_attributter() {
        using namespace windows_attribut;
        const std::uint32_t bevares = gamle_attributter_ & (skjult | systemfil);
        if (!bevares) return;
        auto nu = kald_.attributter(n_.liste.sti);
        if (nu && (*nu & bevares) == bevares) return;
        if (!nu || !kald_.saet_attributter(n_.liste.sti, *nu | bevares))
            r_.bemaerkninger.push_back(
                "Den nye " + n_.liste.vist +
                " kunne ikke gøres skjult eller til systemfil som den gamle"_850);
    }

    const windows_filkald& kald_;
    windows_navne n_;
    std::uint32_t gamle_attributter_ = 0;
    const fil_id* laest_;
    fil_id ny_id_;
    erstatning r_;
};

}  // namespace

bool skrivebeskyttet_windows(const windows_filkald& kald, const std::wstring& sti) {
    auto a = kald.attributter(sti);
    return a && (*a & windows_attribut::skrivebeskyttet);
}

erstatning udskift_liste_windows(const windows_filkald& kald, const windows_navne& navne,
                                 const indhold_t& indhold, const fil_id* laest) {
    return udskiftning(kald, navne, laest).koer(indhold);
}
