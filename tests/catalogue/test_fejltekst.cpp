// The errors a catalogue folder meets are told in Danish; the rest in the
// system's words.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "fejltekst.h"

TEST(Fejltekst, TheFoldersErrorsInDanishTheRestAsTheSystemSaysThem) {
    const struct {
        int fejl;
        const char* tekst;
    } errno_tilfaelde[] = {
        {ENOENT, "findes ikke"},
        {EACCES, "adgang n\x91gtet"},
        {EROFS, "drevet er skrivebeskyttet"},
        {ENOSPC, "disken er fuld"},
        {EISDIR, "er en mappe"},
        {EMLINK, "for mange links"},
        {EBUSY, "er i brug"},
        {EIO, "disken kunne ikke l\x91se eller skrive (I/O-fejl)"},
        {EXDEV, std::strerror(EXDEV)},
    };
    for (const auto& t : errno_tilfaelde) EXPECT_EQ(fejltekst(t.fejl), t.tekst) << t.fejl;

    const struct {
        std::uint32_t kode;
        const char* tekst;
    } windows_tilfaelde[] = {
        {2, "findes ikke"},
        {3, "stien findes ikke"},
        {5, "adgang n\x91gtet"},
        {32, "filen er i brug af et andet program"},
        {33, "filen er l\x86st af et andet program"},
        {112, "disken er fuld"},
        {1295, "din kvote p\x86 disken er brugt op"},
        {87, "The parameter is incorrect"},
    };
    for (const auto& t : windows_tilfaelde)
        EXPECT_EQ(windows_fejltekst(t.kode, "The parameter is incorrect"), t.tekst) << t.kode;
}
