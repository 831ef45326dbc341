// The system's errors that a catalogue folder meets, in the program's own
// Danish words (code page 850); the system's own text only for the rest.
#pragma once

#include <cstdint>
#include <string>

// An errno value.
std::string fejltekst(int fejlnummer);

// A Windows error code (GetLastError); `systemets` is the system's own text,
// used when the code is none of those a catalogue folder meets.
std::string windows_fejltekst(std::uint32_t kode, const std::string& systemets);
