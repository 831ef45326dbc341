// Putting the new list in the old one's place on Windows, step by step,
// over the file calls it makes, so that every failure of every call can be
// tried on any system. Whatever fails, the list's name ends up holding a
// whole list, the old one or the new one, and the result says which.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sikker_fil.h"

// The system's error codes that the steps tell apart.
namespace windows_fejl {
// Why a file can't be written.
constexpr std::uint32_t adgang_naegtet = 5;  // ERROR_ACCESS_DENIED
constexpr std::uint32_t deling_afvist = 32;  // ERROR_SHARING_VIOLATION
constexpr std::uint32_t disken_fuld = 112;   // ERROR_DISK_FULL
// ReplaceFileW stopped halfway: which of its files stands where.
constexpr std::uint32_t erstattet_ikke_fjernet = 1175;     // ERROR_UNABLE_TO_REMOVE_REPLACED
constexpr std::uint32_t erstatning_ikke_flyttet = 1176;    // ERROR_UNABLE_TO_MOVE_REPLACEMENT
constexpr std::uint32_t erstatning_ikke_flyttet_2 = 1177;  // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2
}  // namespace windows_fejl

// The file attributes that the steps look at: bits of one word.
namespace windows_attribut {
enum : std::uint32_t {
    skrivebeskyttet = 0x1,  // FILE_ATTRIBUTE_READONLY: a list that may not be replaced
    skjult = 0x2,           // FILE_ATTRIBUTE_HIDDEN and
    systemfil = 0x4,        // FILE_ATTRIBUTE_SYSTEM, which the new list takes over
    mappe = 0x10,           // FILE_ATTRIBUTE_DIRECTORY,
    enhed = 0x40,           // FILE_ATTRIBUTE_DEVICE and
    genvej = 0x400,         // FILE_ATTRIBUTE_REPARSE_POINT: no list file at all
};
}  // namespace windows_attribut

// The Win32 calls of a save. Each false (or empty) on failure, with the
// reason in sidste_fejl.
struct windows_filkald {
    using haandtag = void*;
    // GetFileAttributesW.
    std::function<std::optional<std::uint32_t>(const std::wstring&)> attributter;
    // Whether the name is its own file, not a link that Wine shows as one.
    std::function<bool(const std::wstring&)> er_sig_selv;
    std::function<haandtag(const std::wstring&)> opret_ny;  // CreateFileW: CREATE_NEW, no sharing
    std::function<bool(haandtag, std::string_view)> skriv;  // WriteFile, all of it
    std::function<bool(haandtag)> gem_paa_disken;           // FlushFileBuffers
    std::function<bool(haandtag)> luk;                      // CloseHandle
    std::function<fil_id(const std::wstring&)> id;          // the file at a name; {} when none
    // ReplaceFileW(erstattes, erstatning, reserve).
    std::function<bool(const std::wstring&, const std::wstring&, const std::wstring&)> erstat;
    std::function<bool(const std::wstring&, const std::wstring&)> flyt;  // MoveFileExW, no replace
    std::function<bool(const std::wstring&)> slet;                       // DeleteFileW
    std::function<bool(const std::wstring&, std::uint32_t)> saet_attributter;  // SetFileAttributesW
    std::function<std::uint32_t()> sidste_fejl;                                // GetLastError
    std::function<std::string(std::uint32_t)> fejltekst;  // what an error code means, in words
    std::function<void(int ms)> vent;                     // Sleep
};

// A file's full name, and how the messages show it.
struct windows_navn {
    std::wstring sti;
    std::string vist;
};

// The list, the side file the new list is written to, and the name under
// which ReplaceFileW keeps the old list until the new one is in place.
struct windows_navne {
    windows_navn liste, side, reserve;
};

// Whether the file at `sti` has the read-only attribute: the operator's "do not change".
bool skrivebeskyttet_windows(const windows_filkald& kald, const std::wstring& sti);

erstatning udskift_liste_windows(const windows_filkald& kald, const windows_navne& navne,
                                 const indhold_t& indhold, const fil_id* laest);
