// The file operations of sikker_fil.h on Windows. The side file is created
// by this save itself (never an existing file, folder or link), written in
// full and flushed to the disk, and ReplaceFileW puts it in the list's place
// in one step, keeping the list's attributes and security descriptor; the
// steps and what happens when one fails are in udskiftning.cpp.
#include "sikker_fil.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "fejltekst.h"
#include "laasindhold.h"
#include "udskiftning.h"
#include "virkelig_sti.h"

namespace {

// The names given here are the program's own ASCII names.

std::string utf8(const std::wstring& tekst) {
    int n = WideCharToMultiByte(CP_UTF8, 0, tekst.data(), static_cast<int>(tekst.size()), nullptr,
                                0, nullptr, nullptr);
    std::string ud(static_cast<std::size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, tekst.data(), static_cast<int>(tekst.size()), ud.data(), n,
                        nullptr, nullptr);
    return ud;
}

std::string systemfejl(DWORD kode) {
    char tekst[256] = "";
    DWORD n =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, kode,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), tekst, sizeof tekst, nullptr);
    while (n > 0 && (tekst[n - 1] == '\n' || tekst[n - 1] == '\r' || tekst[n - 1] == '.'))
        tekst[--n] = '\0';
    return windows_fejltekst(kode, n > 0 ? std::string(tekst) : "fejl " + std::to_string(kode));
}

std::uint64_t tal64(DWORD hoej, DWORD lav) {
    return (static_cast<std::uint64_t>(hoej) << 32) | lav;
}

fil_id id_for_handle(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return {};
    return {info.dwVolumeSerialNumber, tal64(info.nFileIndexHigh, info.nFileIndexLow),
            tal64(info.nFileSizeHigh, info.nFileSizeLow),
            static_cast<std::int64_t>(
                tal64(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime))};
}

fil_id id_ved_navn(const std::wstring& navn) {
    HANDLE h = CreateFileW(navn.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    fil_id id = id_for_handle(h);
    CloseHandle(h);
    return id;
}

bool skriv_alt(HANDLE h, std::string_view indhold) {
    while (!indhold.empty()) {
        DWORD stykke = static_cast<DWORD>(std::min<std::size_t>(indhold.size(), 1 << 20));
        DWORD skrevet = 0;
        if (!WriteFile(h, indhold.data(), stykke, &skrevet, nullptr)) return false;
        if (skrevet == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        indhold.remove_prefix(skrevet);
    }
    return true;
}

const windows_filkald& win32() {
    static const windows_filkald kald{
        [](const std::wstring& navn) -> std::optional<std::uint32_t> {
            DWORD a = GetFileAttributesW(navn.c_str());
            if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
            return a;
        },
        [](const std::wstring& navn) { return er_sig_selv(navn); },
        [](const std::wstring& navn) -> windows_filkald::haandtag {
            // No sharing while it is written: nobody else can open, move or remove it.
            HANDLE h = CreateFileW(navn.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            return h == INVALID_HANDLE_VALUE ? nullptr : h;
        },
        [](windows_filkald::haandtag h, std::string_view del) { return skriv_alt(h, del); },
        [](windows_filkald::haandtag h) { return FlushFileBuffers(h) != 0; },
        [](windows_filkald::haandtag h) { return CloseHandle(h) != 0; },
        id_ved_navn,
        [](const std::wstring& erstattes, const std::wstring& erstatning,
           const std::wstring& reserve) {
            return ReplaceFileW(erstattes.c_str(), erstatning.c_str(), reserve.c_str(),
                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
        },
        [](const std::wstring& fra, const std::wstring& til) {
            return MoveFileExW(fra.c_str(), til.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
        },
        [](const std::wstring& navn) { return DeleteFileW(navn.c_str()) != 0; },
        [](const std::wstring& navn, std::uint32_t a) {
            return SetFileAttributesW(navn.c_str(), a) != 0;
        },
        [] { return static_cast<std::uint32_t>(GetLastError()); },
        [](std::uint32_t kode) { return systemfejl(kode); },
        [](int ms) { Sleep(static_cast<DWORD>(ms)); },
    };
    return kald;
}

// The real file behind `navn` and the side and reserve names in its
// folder; the messages name them as short as they can.
windows_navne navne_for(const char* navn, const char* midlertidig) {
    const std::wstring liste = virkelig_sti(bred(navn).c_str());
    const std::wstring mappe = mappe_af(liste);
    std::wstring denne = virkelig_sti(L".");
    if (!denne.empty() && denne.back() == L'\\') denne.pop_back();  // a drive's root
    const bool her = mappe == denne;
    auto i_mappen = [&](const std::string& kort) -> windows_navn {
        std::wstring sti = mappe + L"\\" + bred(kort);
        return {sti, her ? kort : utf8(sti)};
    };
    // Names no other run uses: a save on another machine never meets them.
    const laasindhold koersel = denne_koersel();
    return {{liste, her ? std::string(navn) : utf8(liste)},
            i_mappen(koerslens_navn(midlertidig, koersel)),
            i_mappen(koerslens_navn(std::string(navn) + ".gammel", koersel))};
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

bool skrivebeskyttet(const char* navn) {
    return skrivebeskyttet_windows(win32(), virkelig_sti(bred(navn).c_str()));
}

// The folder's rights can't be read off cheaply here; the folder lock has
// already made a file in it.
std::string hindring_for_erstatning(const char* navn, const char*) {
    if (skrivebeskyttet(navn)) return std::string(navn) + " er skrivebeskyttet";
    return {};
}

erstatning erstat_fil(const char* navn, const char* midlertidig, const indhold_t& indhold,
                      const fil_id* laest, const gemmetrin&) {
    return udskift_liste_windows(win32(), navne_for(navn, midlertidig), indhold, laest);
}
