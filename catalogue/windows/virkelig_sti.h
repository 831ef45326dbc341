// Where a name really leads on Windows: symbolic links and junctions
// followed, so the shared list behind a link is locked and replaced in its
// own folder.
#pragma once

#include <string>

// The full path of the file that `navn` leads to, or the full path of the
// name itself when nothing can be opened there.
std::wstring virkelig_sti(const wchar_t* navn);
// The folder part of a full path (without the last backslash).
std::wstring mappe_af(const std::wstring& sti);
