// The catalogue store: the header of the loaded catalogue and its table of
// lots, 2000 records of 17 text fields, with record 0 as the sort's swap slot.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kat_string.h"
#include "katalogfiler.h"

constexpr int antal_felter = 17;
constexpr int antal_pladser = 2000;  // record 0 plus at most 1999 lots
constexpr int max_poster = antal_pladser - 1;

using post_t = katsort::string[antal_felter];

// The fields of a record that the program names; the numbers are also the
// sort keys (0 and 1 compare as numbers, the rest as text).
constexpr int felt_emne_nr = 0;
constexpr int felt_nummer = 1;  // the lot number
constexpr int felt_titel = 2;
constexpr int felt_kunstner = 3;
constexpr int felt_foerste_noegle = 4;  // not shown; every F1 sort starts with it
constexpr int felt_kategori = 5;
constexpr int felt_stil = 6;
constexpr int felt_beskrivelse = 9;

// What loading and saving found wrong, in short Danish sentences (code page
// 850, like everything the program shows).
struct fil_status {
    bool indlaest_helt = true;  // every lot entry of the catalogue was read
    bool gemt = false;          // the list file was replaced by the new list
    // What goes to standard output: "fejl" when katalog.txt can't be opened.
    std::string standard_ud;
    // Known once loading has ended: the first reason that the save would
    // meet not to save, in a few words for the screen; empty when none.
    std::string hindring;
    std::vector<std::string> meddelelser;
};

// File text quoted in a message: control bytes as \xNN, and a long text cut.
std::string citat(std::string_view fil_tekst);

// katalog.txt: one header entry per catalogue.
class kat {
   public:
    katsort::string felt[3];  // auction type, auction date, number of lots
    kat& laes(katsort::string katalog_nr);

    fil_status* status = nullptr;
    const katalogfiler* filer = nullptr;
};

// kat_emneliste.txt: one entry per lot, of every catalogue.
class kat_emneliste {
   public:
    kat_emneliste();
    katsort::string felt[2];
    // Returns false when the input ended before an entry of the catalogue.
    bool laes_post(katsort::string katalog_nr, token_stroem& ind, katsort::string* post);
    void skriv(post_t* poster, int antal, katsort::string katalog_nr);

    // The catalogue's entries as the list held them when it was loaded; the
    // save refuses to overwrite entries that someone else changed meanwhile.
    std::optional<std::string> indlaest_del;
    fil_status* status = nullptr;
    const katalogfiler* filer = nullptr;
};

// emne.txt: the details of every topic.
class emne {
   public:
    katsort::string felt[15];  // empty, as every string starts
    // Returns false when the input ended before the topic or one of its fields.
    bool laes_post(katsort::string emne_nr, token_stroem& ind, katsort::string* post);
};

class kat_opsaetning {
   public:
    kat katalog;
    kat_emneliste emneliste;
    emne emnedata;
    std::int32_t antal_poster;
    katsort::string katalog_nr;
    katsort::string auktionstype;
    katsort::string auktionsdato;
    post_t poster[antal_pladser];

    kat_opsaetning();
    ~kat_opsaetning() = default;
    kat_opsaetning(const kat_opsaetning&) = delete;
    kat_opsaetning& operator=(const kat_opsaetning&) = delete;

    void indlaes(katsort::string nr);
    void gem();

    katsort::string* post(int r) { return poster[r]; }
    int hent_antal() const { return antal_poster; }
    katsort::string hent_katalog_nr() const { return katalog_nr; }
    katsort::string hent_auktionstype() const { return auktionstype; }
    katsort::string hent_auktionsdato() const { return auktionsdato; }

    // Sorting (defined with the sort keys).
    void sorter(int foerste, int sidste, const int* noegler, int niveau, int antal_noegler,
                int behold_numre);
    void kopier_post(int fra, int til);
    static double alfa_noegle(katsort::string tekst);
    static double alfa_noegle_portabel(katsort::string tekst);
    static std::int32_t tal_noegle(katsort::string tekst);
    static katsort::string tal_til_tekst(std::int32_t tal);

    // Whether loading was complete and saving succeeded, and why not.
    const fil_status& status() const { return status_; }

   private:
    void tjek_antal(katsort::string nr);
    void tael_katalogets_poster(katsort::string nr, token_stroem& liste);
    void find_hindring_for_gemning();
    void hindring_hvis_ingen(const std::string& kort);

    fil_status status_;
    katalogfiler filer_;
};
