// katsort: sorts the lots of auction catalogue 1 and renumbers them.

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "brugergraense.h"
#include "console.h"
#include "mappelaas.h"
#include "tekst850.h"

#ifndef KATSORT_VERSION
#define KATSORT_VERSION "?"
#endif

using tekst850::operator""_850;

namespace {

// The program's texts are code page 850, as on its screen.
const char* const hjaelp =
    "Brug: katsort\n"
    "\n"
    "Sorterer emnerne i auktionskatalog 1 efter titel, kunstner, kategori og\n"
    "stilart, giver dem nye emnenumre og gemmer listen, når du trykker ESC.\n"
    "Programmet læser katalog.txt, kat_emneliste.txt og emne.txt i den\n"
    "aktuelle mappe og skriver kat_emneliste.txt igen. Der kan kun køre én\n"
    "katsort ad gangen i en mappe.\n"
    "\n"
    "Taster: pile flytter, F1 sorterer, ESC gemmer og afslutter.\n"_850;

const char* const listefil = "kat_emneliste.txt";

void meddel(const std::string& tekst) { console_write_text(stderr, "katsort: " + tekst + "\n"); }

int argumenter(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        console_write_text(stdout, hjaelp);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("katsort %s\n", KATSORT_VERSION);
        return 0;
    }
    meddel(std::string("ukendt argument: ") + argv[1] +
           "\nBrug: katsort  (uden argumenter; se katsort --help)");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) return argumenter(argc, argv);
    mappelaas laas;
    std::string hvorfor;
    if (!laas.tag(listefil, hvorfor)) {
        meddel(hvorfor);
        return 2;
    }
    // The screen and the keys are the terminal's own, also when standard
    // input or output is redirected; only without any terminal we can't run.
    if (!console_open()) {
        meddel("skal startes i en terminal (der er ingen terminal at vise skærmen på)"_850);
        return 2;
    }

    fil_status status;
    try {
        auto program = std::make_unique<brugergraense>();
        program->start();
        program->koer();
        status = program->opsaetning.status();
    } catch (const std::bad_alloc&) {
        // Whatever ran out, a save in progress has removed its side file.
        console_close();
        meddel("der er ikke hukommelse nok til katsort; listen er ikke gemt");
        return 1;
    }
    console_close();
    for (const auto& m : status.meddelelser) meddel(m);
    if (!status.gemt) meddel("listen er ikke gemt");
    return status.gemt ? 0 : 1;
}
