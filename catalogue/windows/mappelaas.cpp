// The folder lock on Windows: a byte far past the end of katsort.laas,
// locked with LockFileEx; the system releases it when the process ends, in
// any way. The note of who holds it stays readable, since the locked byte is
// not part of it.
#include <windows.h>

#include <ctime>
#include <string>

#include "mappelaas.h"

namespace {

constexpr DWORD laast_byte_hoej = 1;  // the byte at 4 GiB

std::string hvem_er_vi() {
    char vaert[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD n = sizeof vaert;
    GetComputerNameA(vaert, &n);
    char tid[32] = "";
    std::time_t nu = std::time(nullptr);
    if (std::tm* lokal = std::localtime(&nu)) std::strftime(tid, sizeof tid, "%Y-%m-%d %H:%M", lokal);
    return "pid " + std::to_string(GetCurrentProcessId()) + " p\x86 " + (*vaert ? vaert : "?") +
           ", startet " + tid;
}

std::string holder(HANDLE h) {
    char buf[200];
    DWORD n = 0;
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    if (!ReadFile(h, buf, sizeof buf - 1, &n, nullptr)) n = 0;
    std::string tekst;
    for (DWORD i = 0; i < n && buf[i] != '\n'; ++i)
        if (static_cast<unsigned char>(buf[i]) >= 0x20) tekst += buf[i];
    return tekst.empty() ? "ukendt" : tekst;
}

}  // namespace

bool mappelaas::tag(const char*, std::string& hvorfor) {
    HANDLE h = CreateFileA(filnavn, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD fejl = GetLastError();
        // A folder nobody may write in can't be saved to either, by anyone.
        if (fejl == ERROR_ACCESS_DENIED || fejl == ERROR_WRITE_PROTECT) return true;
        hvorfor = std::string(filnavn) + " kan ikke \x86" "bnes (fejl " + std::to_string(fejl) + ")";
        return false;
    }
    OVERLAPPED sted{};
    sted.OffsetHigh = laast_byte_hoej;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &sted)) {
        hvorfor = "katsort k\x9Brer allerede i denne mappe (" + holder(h) + "); afslut den f\x9Brst";
        CloseHandle(h);
        return false;
    }
    // Only a note, so a colleague who finds the folder locked knows whom to ask.
    std::string info = hvem_er_vi() + "\r\n";
    DWORD skrevet = 0;
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    WriteFile(h, info.data(), static_cast<DWORD>(info.size()), &skrevet, nullptr);
    haandtag_ = h;
    return true;
}

mappelaas::~mappelaas() {
    if (haandtag_) CloseHandle(static_cast<HANDLE>(haandtag_));
}
