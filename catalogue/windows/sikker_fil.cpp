// The file operations of sikker_fil.h on Windows. The side file is created
// by this save itself (never an existing file, folder or link), written in
// full and flushed to the disk, and ReplaceFileW puts it in the list's place
// in one step, keeping the list's attributes and security descriptor.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "sikker_fil.h"

namespace {

// The names here are the program's own ASCII names in the current folder.
std::wstring bred(const std::string& navn) { return std::wstring(navn.begin(), navn.end()); }

std::string systemfejl(DWORD kode) {
    char tekst[256] = "";
    DWORD n =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, kode,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), tekst, sizeof tekst, nullptr);
    while (n > 0 && (tekst[n - 1] == '\n' || tekst[n - 1] == '\r' || tekst[n - 1] == '.'))
        tekst[--n] = '\0';
    return n > 0 ? std::string(tekst) : "fejl " + std::to_string(kode);
}

std::string fejl_med(const std::string& hvad) { return hvad + ": " + systemfejl(GetLastError()); }

fil_id id_for_handle(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return {};
    auto tal64 = [](DWORD hoej, DWORD lav) {
        return (static_cast<std::uint64_t>(hoej) << 32) | lav;
    };
    return {info.dwVolumeSerialNumber, tal64(info.nFileIndexHigh, info.nFileIndexLow),
            tal64(info.nFileSizeHigh, info.nFileSizeLow),
            static_cast<std::int64_t>(
                tal64(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)) *
                100};
}

// A side file left by an earlier save is removed; a folder, a link or a
// device of that name is never touched.
bool ryd_midlertidig(const std::string& midl, erstatning& r) {
    DWORD a = GetFileAttributesW(bred(midl).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return true;
    if (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) {
        r.fejl = midl + " findes og er ikke en almindelig fil; fjern den, og gem igen";
        return false;
    }
    SetFileAttributesW(bred(midl).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(bred(midl).c_str())) {
        r.fejl = fejl_med("Kan ikke fjerne den gamle " + midl);
        return false;
    }
    return true;
}

bool skriv_alt(HANDLE h, std::string_view indhold) {
    while (!indhold.empty()) {
        DWORD stykke = static_cast<DWORD>(std::min<std::size_t>(indhold.size(), 1 << 20));
        DWORD skrevet = 0;
        if (!WriteFile(h, indhold.data(), stykke, &skrevet, nullptr) || skrevet == 0) return false;
        indhold.remove_prefix(skrevet);
    }
    return true;
}

// The list is still the file that was read.
bool uaendret(const std::string& navn, const fil_id* laest, erstatning& r) {
    if (!laest) return true;
    HANDLE h =
        CreateFileW(bred(navn).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    fil_id nu = h == INVALID_HANDLE_VALUE ? fil_id{} : id_for_handle(h);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (nu == *laest) return true;
    r.fejl = navn + " blev \x91ndret af et andet program under gemningen";
    return false;
}

// ReplaceFileW wants full paths (Wine refuses relative ones).
std::wstring fuld_sti(const std::string& navn) {
    std::wstring kort = bred(navn);
    DWORD n = GetFullPathNameW(kort.c_str(), 0, nullptr, nullptr);
    if (n == 0) return kort;
    std::wstring fuld(n, L'\0');
    n = GetFullPathNameW(kort.c_str(), n, fuld.data(), nullptr);
    fuld.resize(n);
    return fuld;
}

bool saet_paa_plads(const std::string& navn, const std::string& midl, erstatning& r) {
    std::wstring n = fuld_sti(navn), m = fuld_sti(midl);
    if (GetFileAttributesW(n.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (MoveFileExW(m.c_str(), n.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    } else if (ReplaceFileW(n.c_str(), m.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                            nullptr)) {
        return true;
    }
    r.fejl = fejl_med("Kan ikke s\x91tte " + midl + " i stedet for " + navn);
    return false;
}

}  // namespace

int aabn_til_laesning(const char* navn, int& fejl) {
    int fd = ::_open(navn, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        fejl = errno;
        return -1;
    }
    struct _stat64 st {};
    if (::_fstat64(fd, &st) != 0 || !(st.st_mode & _S_IFREG)) {
        ::_close(fd);
        fejl = ikke_almindelig;
        return -1;
    }
    return fd;
}

fil_id id_for(int fd) { return id_for_handle(reinterpret_cast<HANDLE>(::_get_osfhandle(fd))); }

erstatning erstat_fil(const char* navn, const char* midlertidig, std::string_view indhold,
                      const fil_id* laest) {
    erstatning r;
    const std::string midl = midlertidig;
    if (!ryd_midlertidig(midl, r)) return r;
    // No sharing while it is written: nobody else can open, move or remove it.
    HANDLE h = CreateFileW(bred(midl).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        r.fejl = fejl_med("Kan ikke oprette " + midl);
        return r;
    }
    bool ok = true;
    if (!skriv_alt(h, indhold)) {
        r.fejl = fejl_med("Kan ikke skrive " + midl);
        ok = false;
    } else if (!FlushFileBuffers(h)) {
        r.fejl = fejl_med("Kan ikke gemme " + midl + " p\x86 disken");
        ok = false;
    }
    CloseHandle(h);
    ok = ok && uaendret(navn, laest, r) && saet_paa_plads(navn, midl, r);
    if (!ok) DeleteFileW(bred(midl).c_str());
    r.ok = ok;
    return r;
}
