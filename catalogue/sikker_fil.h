// The file operations that differ between systems (this header, one source
// file for each). Replacing a file so that it is never lost or half written: the new text
// goes to a side file that this save creates itself, is forced to disk, and
// is then renamed over the old file in one step. The file keeps what it is:
// owner, group, mode, ACLs and other extended attributes, and a symbolic
// link keeps pointing at the file it names, which is replaced in its own
// folder. Texts are code page 850, like everything the program shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Which file a name stood for when it was read, to notice a change made by
// someone else before the new file takes its place.
struct fil_id {
    std::uint64_t enhed = 0, inode = 0, stoerrelse = 0;
    std::int64_t aendret_ns = 0;
    bool operator==(const fil_id&) const = default;
};

struct erstatning {
    bool ok = false;
    std::string fejl;                        // why not, when not ok
    std::vector<std::string> bemaerkninger;  // what the operator should know even so
};

// Writes `indhold` to `midlertidig` (in the folder of the file that `navn`
// names) and renames it over that file. Refuses when `midlertidig` exists
// and is not a regular file, and when the file is no longer the one that
// `laest` describes. On failure the old file is untouched.
erstatning erstat_fil(const char* navn, const char* midlertidig, std::string_view indhold,
                      const fil_id* laest);

// The identity of the file behind an open descriptor.
fil_id id_for(int fd);

// Opens a file for reading, in binary and without blocking: anything but a
// regular file (a FIFO, a device, a folder) is refused, so reading can never
// hang. The descriptor, or -1 with `fejl` an errno value or ikke_almindelig.
int aabn_til_laesning(const char* navn, int& fejl);
constexpr int ikke_almindelig = -1;
