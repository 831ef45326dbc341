// The catalogue's files, always in the current folder.
#pragma once

inline constexpr const char* katalogfil = "katalog.txt";
inline constexpr const char* listefil = "kat_emneliste.txt";
inline constexpr const char* emnefil = "emne.txt";
// What the new list's side file is named after (each run adds its own part).
inline constexpr const char* ny_listefil = "kat_emneliste2.txt";
