// Where a file really is on Windows: a symbolic link (or a junction on the
// way) resolved to the file it names, so the lock and the save work in the
// folder of the real list.
#pragma once

#include <string>
#include <string_view>

// The full path of the file that `navn` names, links resolved; when it can't
// be opened (it doesn't exist, say), the full path of the name itself.
std::wstring virkelig_sti(const wchar_t* navn);

// Whether the file open at `haandtag` (or, without one, what the name
// opens) is the file of that full path itself, not another reached through
// a link: Wine shows a Unix symbolic link as a plain file, and deleting it
// through a handle deletes the file it names. Letter case aside, as Windows
// names go.
bool er_sig_selv(const std::wstring& fuld_sti, void* haandtag = nullptr);

// The folder part of a path: what comes before its last separator, "." when
// it has none. Join a name to it with a backslash ("C:" + "\\x" for C:\x).
std::wstring mappe_af(const std::wstring& sti);

// The program's file names (ASCII) as the wide names the system takes.
inline std::wstring bred(std::string_view navn) { return std::wstring(navn.begin(), navn.end()); }
