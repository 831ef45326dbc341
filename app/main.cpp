// katsort: sorts the lots of auction catalogue 1 and renumbers them.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "brugergraense.h"
#include "console.h"
#include "filnavne.h"
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

// False when standard error would not take it (a closed pipe, a full disk).
bool meddel(const std::string& tekst) {
    return console_write_text(stderr, "katsort: " + tekst + "\n");
}

int argumenter(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        return console_write_text(stdout, hjaelp) ? 0 : 1;
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
#ifdef SIGPIPE
    // A standard stream that is a pipe nobody reads is a failed write, which
    // is reported, not the end of the program in the middle of its work.
    std::signal(SIGPIPE, SIG_IGN);
#endif
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
        if (console_cannot_show_screen())
            meddel(
                "terminalen kan ikke vise skærmen (den kan ikke flytte markøren); "
                "start katsort i et terminalvindue"_850);
        else
            meddel("skal startes i en terminal (der er ingen terminal at vise skærmen på)"_850);
        return 2;
    }
    console_at_abrupt_end(&mappelaas::slip_ved_signal);

    fil_status status;
    bool skrivefejl = false;
    try {
        auto program = std::make_unique<brugergraense>();
        program->start();
        program->koer();
        status = program->opsaetning.status();
        if (!program->standard_ud_fejl.empty()) {
            status.meddelelser.push_back(program->standard_ud_fejl);
            skrivefejl = true;
        }
    } catch (const std::bad_alloc&) {
        // Whatever ran out, a save in progress has removed its side file.
        console_close();
        meddel("der er ikke hukommelse nok til katsort; listen er ikke gemt");
        return 1;
    }
    console_close();
    bool sagt = !skrivefejl;
    for (const auto& m : status.meddelelser) sagt = meddel(m) && sagt;
    if (!status.gemt) sagt = meddel("listen er ikke gemt") && sagt;
    // A message that could not be given is a failure too, whatever was saved.
    return status.gemt && sagt ? 0 : 1;
}
