#include "virkelig_sti.h"

#include <windows.h>

namespace {

std::wstring fuld_sti(const wchar_t* navn) {
    DWORD n = GetFullPathNameW(navn, 0, nullptr, nullptr);
    if (n == 0) return navn;
    std::wstring fuld(n, L'\0');
    n = GetFullPathNameW(navn, n, fuld.data(), nullptr);
    fuld.resize(n);
    return fuld;
}

// GetFinalPathNameByHandleW answers with the \\?\ prefix of long paths.
std::wstring uden_praefiks(std::wstring sti) {
    if (sti.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\" + sti.substr(7);
    if (sti.rfind(L"\\\\?\\", 0) == 0) return sti.substr(4);
    return sti;
}

}  // namespace

std::wstring virkelig_sti(const wchar_t* navn) {
    HANDLE h = CreateFileW(navn, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fuld_sti(navn);
    std::wstring sti(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, sti.data(), static_cast<DWORD>(sti.size()),
                                        FILE_NAME_NORMALIZED);
    if (n >= sti.size()) {
        sti.resize(n + 1);
        n = GetFinalPathNameByHandleW(h, sti.data(), static_cast<DWORD>(sti.size()),
                                      FILE_NAME_NORMALIZED);
    }
    CloseHandle(h);
    if (n == 0 || n >= sti.size()) return fuld_sti(navn);
    sti.resize(n);
    return uden_praefiks(sti);
}

std::wstring mappe_af(const std::wstring& sti) {
    std::size_t skraa = sti.find_last_of(L"\\/");
    return skraa == std::wstring::npos ? L"." : sti.substr(0, skraa);
}
