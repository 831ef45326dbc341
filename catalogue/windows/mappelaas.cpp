// The folder lock on Windows: katsort.laas, created new by this run, opened
// by no one else (share mode 0) and deleted by the system when the run ends,
// however it ends. A katsort.laas that nobody holds was left by a run that
// never ended (a power cut): it is removed, but only when it is a plain file
// with no other name, and never written through.
#include "mappelaas.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "fejltekst.h"
#include "tekst850.h"
#include "virkelig_sti.h"

using tekst850::operator""_850;

namespace {

const std::string optaget = "katsort kører allerede i denne mappe; afslut den først"_850;

std::string fejl_nr(DWORD fejl) {
    return ": " + windows_fejltekst(fejl, "fejl " + std::to_string(fejl));
}

HANDLE opret(const std::wstring& sti) {
    return CreateFileW(sti.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

enum class udfald { fjernet, vaek, afvist };

// Why what stands at the lock's name is not a lock left behind, or nullptr
// when it is one: only katsort makes a plain file there, with one name.
const char* ikke_en_laas(const BY_HANDLE_FILE_INFORMATION& info) {
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "er en mappe";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return "er et link";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return "er skrivebeskyttet";
    if (info.nNumberOfLinks != 1) return "har flere navne (hårde links)"_850;
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow != 0) return "har et indhold";
    return nullptr;
}

// What stands at the lock's name when it could not be created. Opened with
// share mode 0, which fails while a running katsort holds it; the handle that
// was looked at is the one that removes it, so nothing can take its place in
// between, and nothing is ever written to it.
udfald fjern_efterladt(const std::wstring& sti, std::string& hvorfor) {
    const std::string navn = mappelaas::filnavn;
    HANDLE h = CreateFileW(sti.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD fejl = GetLastError();
        if (fejl == ERROR_FILE_NOT_FOUND || fejl == ERROR_PATH_NOT_FOUND) return udfald::vaek;
        hvorfor = fejl == ERROR_SHARING_VIOLATION
                      ? optaget
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
    } else if (!SetFileInformationByHandle(h, FileDispositionInfo, &slet, sizeof slet)) {
        hvorfor = "en efterladt " + navn + " kan ikke fjernes" + fejl_nr(GetLastError());
    } else {
        u = udfald::fjernet;
    }
    CloseHandle(h);
    return u;
}

std::wstring bred(const char* navn) { return std::wstring(navn, navn + std::strlen(navn)); }

}  // namespace

bool mappelaas::tag(const char* listefil, std::string& hvorfor) {
    const std::wstring sti = mappe_af(virkelig_sti(bred(listefil).c_str())) + L"\\" + bred(filnavn);
    DWORD fejl = 0;
    // Twice at most: once more after a lock left behind has been removed.
    for (int forsoeg = 0; forsoeg < 2; ++forsoeg) {
        HANDLE h = opret(sti);
        if (h != INVALID_HANDLE_VALUE) {
            haandtag_ = h;
            return true;
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

mappelaas::~mappelaas() {
    if (haandtag_) CloseHandle(static_cast<HANDLE>(haandtag_));
}
