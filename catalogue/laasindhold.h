// What a katsort.laas says of the run that holds it: the machine, the
// process, the user and since when. Text with CRLF line ends, the same for
// the Unix and Windows builds, so each names the other's run in a shared
// folder, and so a colleague can read it.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

struct laasindhold {
    std::string vaert;   // the machine's name
    long pid = 0;        // the process on that machine
    std::string bruger;  // who started it
    std::string siden;   // when, as "08.12.2026 16:40"
    bool operator==(const laasindhold&) const = default;
};

// The lock file's text.
std::string som_tekst(const laasindhold& laas);

// The run a lock file's text names; nothing when the text is not one that
// katsort writes (a colleague's file, or one cut short by a power cut).
std::optional<laasindhold> laes_laasindhold(std::string_view tekst);

// Why the start is refused while `holder` runs, in code page 850: with the
// pid where the holder runs on this machine, and otherwise also where, who,
// since when, and how to remove the lock of a run that is gone.
std::string optaget(const laasindhold& holder, bool samme_maskine);

// Why the start is refused when something at the lock's name is no lock
// that katsort wrote, or one it can't read: `hvad` says what it is.
std::string ukendt_laas(std::string_view hvad);

// This run: this machine, this process, this user, now (one source file
// for each system).
laasindhold denne_koersel();

// A name that no other run uses, made from `navn` and the run's machine and
// process: "kat_emneliste2.txt" becomes "kat_emneliste2.ws12.4711.txt".
std::string koerslens_navn(std::string_view navn, const laasindhold& koersel);

// A moment as the lock file gives it: "08.12.2026 16:40", local time.
std::string tidspunkt(std::time_t t);
