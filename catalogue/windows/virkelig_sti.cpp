#include "virkelig_sti.h"

#include <windows.h>

namespace {

// GetFinalPathNameByHandleW answers in the \\?\ form; the plain form is what
// the rest of the program and its messages use.
std::wstring uden_praefiks(std::wstring sti) {
    const std::wstring unc = L"\\\\?\\UNC\\", lang = L"\\\\?\\";
    if (sti.rfind(unc, 0) == 0) return L"\\\\" + sti.substr(unc.size());
    if (sti.rfind(lang, 0) == 0) return sti.substr(lang.size());
    return sti;
}

std::wstring fuld_sti(const wchar_t* navn) {
    DWORD n = GetFullPathNameW(navn, 0, nullptr, nullptr);
    std::wstring sti(n, L'\0');
    n = n ? GetFullPathNameW(navn, n, sti.data(), nullptr) : 0;
    if (n == 0 || n >= sti.size()) return navn;
    sti.resize(n);
    return sti;
}

std::wstring endelig_sti(HANDLE h) {
    DWORD n = GetFinalPathNameByHandleW(h, nullptr, 0, FILE_NAME_NORMALIZED);
    std::wstring sti(n, L'\0');
    n = n ? GetFinalPathNameByHandleW(h, sti.data(), n, FILE_NAME_NORMALIZED) : 0;
    if (n == 0 || n >= sti.size()) return {};
    sti.resize(n);
    return uden_praefiks(sti);
}

}  // namespace

std::wstring virkelig_sti(const wchar_t* navn) {
    // No access rights asked and every kind of sharing allowed, so no one
    // who has the list open is disturbed; backup semantics opens a folder too.
    HANDLE h = CreateFileW(navn, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fuld_sti(navn);
    std::wstring sti = endelig_sti(h);
    CloseHandle(h);
    return sti.empty() ? fuld_sti(navn) : sti;
}

bool er_sig_selv(const std::wstring& fuld_sti, void* haandtag) {
    const std::wstring virkelig =
        haandtag ? endelig_sti(static_cast<HANDLE>(haandtag)) : virkelig_sti(fuld_sti.c_str());
    return CompareStringOrdinal(virkelig.c_str(), static_cast<int>(virkelig.size()),
                                fuld_sti.c_str(), static_cast<int>(fuld_sti.size()),
                                TRUE) == CSTR_EQUAL;
}

std::wstring mappe_af(const std::wstring& sti) {
    std::size_t skille = sti.find_last_of(L"\\/");
    return skille == std::wstring::npos ? L"." : sti.substr(0, skille);
}
