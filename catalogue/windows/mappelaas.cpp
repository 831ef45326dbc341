// The folder lock on Windows: katsort.laas, created new by this run, which
// writes into it who holds it (as the Unix build does), lets others only
// read it (share mode read) and is deleted by the system when the run ends,
// however it ends. A katsort.laas that nobody holds was left by a run that
// never ended (a power cut) or is a Unix run's: it is removed when it names
// this machine or nobody, but only when it is a plain file with no other
// name, and never written through; a Unix run of another machine is named.
#include "mappelaas.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "fejltekst.h"
#include "laasindhold.h"
#include "tekst850.h"
#include "virkelig_sti.h"

using tekst850::operator""_850;

namespace {

const std::string optaget_uden_navn = "katsort kører allerede i denne mappe; afslut den først"_850;

std::string fejl_nr(DWORD fejl) {
    return ": " + windows_fejltekst(fejl, "fejl " + std::to_string(fejl));
}

HANDLE opret(const std::wstring& sti) {
    return CreateFileW(sti.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

bool skriv_hvem(HANDLE h) {
    const std::string tekst = som_tekst(denne_koersel());
    DWORD skrevet = 0;
    return WriteFile(h, tekst.data(), static_cast<DWORD>(tekst.size()), &skrevet, nullptr) &&
           skrevet == tekst.size() && FlushFileBuffers(h);
}

constexpr DWORD hoejst_laest = 4096;

std::string laes_tekst(HANDLE h) {
    std::string tekst(hoejst_laest, '\0');
    DWORD laest = 0;
    if (!ReadFile(h, tekst.data(), hoejst_laest, &laest, nullptr)) laest = 0;
    tekst.resize(laest);
    return tekst;
}

// Who holds the lock that a running katsort keeps open: read through a
// share mode that lets the holder keep everything it has.
std::string hvem_holder(const std::wstring& sti) {
    HANDLE h = CreateFileW(sti.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return optaget_uden_navn;
    auto holder = laes_laasindhold(laes_tekst(h));
    CloseHandle(h);
    if (!holder) return optaget_uden_navn;
    return optaget(*holder, holder->vaert == denne_koersel().vaert);
}

enum class udfald { fjernet, vaek, afvist };

// Whether a lock file that nobody holds open may go: one this machine left
// (a power cut, or an older katsort's empty one) may; a Unix run's of
// another machine is named, and anything else is left alone.
bool efterladt_her(const std::string& tekst, std::string& hvorfor) {
    if (tekst.empty()) return true;
    auto holder = laes_laasindhold(tekst);
    if (!holder) {
        hvorfor =
            std::string(mappelaas::filnavn) +
            " i mappen har et indhold og er ikke katsorts lås; fjern eller omdøb den først"_850;
        return false;
    }
    if (holder->vaert == denne_koersel().vaert) return true;
    hvorfor = optaget(*holder, false);
    return false;
}

// Why what stands at the lock's name is not a lock left behind, or nullptr
// when it is one: only katsort makes a plain file there, with one name.
const char* ikke_en_laas(const BY_HANDLE_FILE_INFORMATION& info) {
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "er en mappe";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return "er et link";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return "er skrivebeskyttet";
    if (info.nNumberOfLinks != 1) return "har flere navne (hårde links)"_850;
    return nullptr;
}

// What stands at the lock's name when it could not be created. Opened with
// share mode 0, which fails while a running katsort holds it; the handle that
// was looked at is the one that removes it, so nothing can take its place in
// between, and nothing is ever written to it.
udfald fjern_efterladt(const std::wstring& sti, std::string& hvorfor) {
    const std::string navn = mappelaas::filnavn;
    HANDLE h = CreateFileW(sti.c_str(), GENERIC_READ | DELETE | FILE_READ_ATTRIBUTES, 0, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD fejl = GetLastError();
        if (fejl == ERROR_FILE_NOT_FOUND || fejl == ERROR_PATH_NOT_FOUND) return udfald::vaek;
        hvorfor = fejl == ERROR_SHARING_VIOLATION
                      ? hvem_holder(sti)
                      : navn + " i mappen kan ikke undersøges"_850 + fejl_nr(fejl);
        return udfald::afvist;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_DISPOSITION_INFO slet{TRUE};
    udfald u = udfald::afvist;
    if (!er_sig_selv(sti, h)) {
        hvorfor = navn + " i mappen er et link og er ikke katsorts lås; fjern den først"_850;
    } else if (!GetFileInformationByHandle(h, &info)) {
        hvorfor = navn + " i mappen kan ikke undersøges"_850 + fejl_nr(GetLastError());
    } else if (const char* hvad = ikke_en_laas(info)) {
        hvorfor = navn + " i mappen " + hvad +
                  " og er ikke katsorts lås; fjern eller omdøb den først"_850;
    } else if (!efterladt_her(laes_tekst(h), hvorfor)) {
        // told why in efterladt_her
    } else if (!SetFileInformationByHandle(h, FileDispositionInfo, &slet, sizeof slet)) {
        hvorfor = "en efterladt " + navn + " kan ikke fjernes" + fejl_nr(GetLastError());
    } else {
        u = udfald::fjernet;
    }
    CloseHandle(h);
    return u;
}

}  // namespace

laasindhold denne_koersel() {
    char navn[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD laengde = sizeof navn;
    if (!GetComputerNameA(navn, &laengde)) std::strcpy(navn, "ukendt");
    const char* bruger = std::getenv("USERNAME");
    return {navn, static_cast<long>(GetCurrentProcessId()), bruger ? bruger : "",
            tidspunkt(std::time(nullptr))};
}

bool mappelaas::tag(const char* listefil, std::string& hvorfor) {
    const std::wstring sti = mappe_af(virkelig_sti(bred(listefil).c_str())) + L"\\" + bred(filnavn);
    DWORD fejl = 0;
    // Twice at most: once more after a lock left behind has been removed.
    for (int forsoeg = 0; forsoeg < 2; ++forsoeg) {
        HANDLE h = opret(sti);
        if (h != INVALID_HANDLE_VALUE) {
            haandtag_ = h;
            if (skriv_hvem(h)) return true;
            hvorfor = std::string(filnavn) + " kan ikke skrives i mappen" + fejl_nr(GetLastError());
            CloseHandle(h);
            haandtag_ = nullptr;
            return false;
        }
        fejl = GetLastError();
        // Access denied may be a folder at the name as well as a folder we may not write in.
        if (fejl != ERROR_FILE_EXISTS && fejl != ERROR_ALREADY_EXISTS &&
            fejl != ERROR_ACCESS_DENIED)
            break;
        udfald u = fjern_efterladt(sti, hvorfor);
        if (u == udfald::afvist) return false;
        if (u == udfald::vaek && fejl == ERROR_ACCESS_DENIED) break;
    }
    hvorfor = std::string(filnavn) + " kan ikke oprettes i mappen" + fejl_nr(fejl);
    return false;
}

// The system deletes the lock however the run ends.
void mappelaas::slip_ved_signal() {}

mappelaas::~mappelaas() {
    if (haandtag_) CloseHandle(static_cast<HANDLE>(haandtag_));
}
