#include "fejltekst.h"

#include <cerrno>
#include <cstring>

#include "tekst850.h"

using tekst850::operator""_850;

namespace {

struct tekst_for {
    std::int64_t kode;
    const char* tekst;
};

const tekst_for errno_tekster[] = {
    {ENOENT, "findes ikke"},
    {EACCES, "adgang nægtet"_850},
    {EPERM, "adgang nægtet"_850},
    {EROFS, "drevet er skrivebeskyttet"},
    {ENOSPC, "disken er fuld"},
#ifdef EDQUOT
    {EDQUOT, "din kvote på disken er brugt op"_850},
#endif
    {EISDIR, "er en mappe"},
    {ENOTDIR, "en del af stien er ikke en mappe"},
    {EMLINK, "for mange links"},
    {ELOOP, "for mange symbolske links efter hinanden"},
    {EBUSY, "er i brug"},
    {ETXTBSY, "er i brug"},
    {EIO, "disken kunne ikke læse eller skrive (I/O-fejl)"_850},
    {ENAMETOOLONG, "navnet er for langt"},
    {EPIPE, "ingen tager imod i den anden ende (røret er lukket)"_850},
};

// Win32's codes for the same errors, and those only Windows has.
const tekst_for windows_tekster[] = {
    {2, "findes ikke"},  // ERROR_FILE_NOT_FOUND
    {3, "stien findes ikke"},
    {80, "findes allerede"},                                       // ERROR_PATH_NOT_FOUND
    {5, "adgang nægtet"_850},                                      // ERROR_ACCESS_DENIED
    {19, "drevet er skrivebeskyttet"},                             // ERROR_WRITE_PROTECT
    {32, "filen er i brug af et andet program"},                   // ERROR_SHARING_VIOLATION
    {33, "filen er låst af et andet program"_850},                 // ERROR_LOCK_VIOLATION
    {39, "disken er fuld"},                                        // ERROR_HANDLE_DISK_FULL
    {112, "disken er fuld"},                                       // ERROR_DISK_FULL
    {170, "er i brug"},                                            // ERROR_BUSY
    {267, "er ikke en mappe"},                                     // ERROR_DIRECTORY
    {1117, "disken kunne ikke læse eller skrive (I/O-fejl)"_850},  // ERROR_IO_DEVICE
    {1142, "for mange links"},                                     // ERROR_TOO_MANY_LINKS
    {1295, "din kvote på disken er brugt op"_850},                 // ERROR_DISK_QUOTA_EXCEEDED
};

template <std::size_t n>
const char* find(const tekst_for (&tabel)[n], std::int64_t kode) {
    for (const auto& t : tabel)
        if (t.kode == kode) return t.tekst;
    return nullptr;
}

}  // namespace

std::string fejltekst(int fejlnummer) {
    if (const char* t = find(errno_tekster, fejlnummer)) return t;
    return std::strerror(fejlnummer);
}

std::string windows_fejltekst(std::uint32_t kode, const std::string& systemets) {
    if (const char* t = find(windows_tekster, kode)) return t;
    return systemets;
}
