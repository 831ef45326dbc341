// katsort: sorts the lots of auction catalogue 1 and renumbers them.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "brugergraense.h"
#include "console.h"

#ifndef KATSORT_VERSION
#define KATSORT_VERSION "?"
#endif

namespace {

const char* const hjaelp =
    "Brug: katsort\n"
    "\n"
    "Sorterer emnerne i auktionskatalog 1 efter titel, kunstner, kategori og\n"
    "stilart, giver dem nye emnenumre og gemmer listen, når du trykker ESC.\n"
    "Programmet læser katalog.txt, kat_emneliste.txt og emne.txt i den\n"
    "aktuelle mappe og skriver kat_emneliste.txt igen.\n"
    "\n"
    "Taster: pile flytter, F1 sorterer, ESC gemmer og afslutter.\n";

// "fejl" goes to standard output; on the terminal it goes through the screen.
void skriv_standard_ud(const char* tekst) {
    if (console_owns_stdout()) {
        console_print("%s", tekst);
        console_flush();
        return;
    }
    std::fputs(tekst, stdout);
    std::fflush(stdout);
}

int argumenter(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(hjaelp, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("katsort %s\n", KATSORT_VERSION);
        return 0;
    }
    std::fprintf(
        stderr,
        "katsort: ukendt argument: %s\nBrug: katsort  (uden argumenter; se katsort --help)\n",
        argv[1]);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) return argumenter(argc, argv);
    // The screen and the keys are the terminal's own, also when standard
    // input or output is redirected; only without any terminal we can't run.
    if (!console_open()) {
        std::fputs(
            "katsort: skal startes i en terminal (der er ingen terminal at vise skærmen på)\n",
            stderr);
        return 2;
    }
    kat::skriv_standard_ud = skriv_standard_ud;

    std::vector<std::string> meddelelser;
    bool gemt = false;
    {
        auto program = std::make_unique<brugergraense>();
        program->start();
        program->koer();
        gemt = program->opsaetning.status().gemt;
        meddelelser = program->opsaetning.status().meddelelser;
    }
    console_close();
    for (const auto& m : meddelelser) std::fprintf(stderr, "katsort: %s\n", m.c_str());
    if (!gemt) std::fputs("katsort: listen er ikke gemt\n", stderr);
    return gemt ? 0 : 1;
}
