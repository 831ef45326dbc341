// The file operations that differ between systems (this header, one source
// file for each system). Replacing a file so that it is never lost or half
// written: the new text goes to a side file that this save creates itself,
// is forced to disk, and only then takes the file's place in one step. The
// file keeps what it is: owner, group, mode, ACLs and other extended
// attributes, and a symbolic link keeps pointing at the file it names, which
// is replaced in its own folder. Texts are code page 850, like everything
// the program shows; file names in them pass as the system gives them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Which file a name stood for when it was read, to notice a change made by
// someone else before the new file takes its place.
struct fil_id {
    std::uint64_t enhed = 0, inode = 0, stoerrelse = 0;
    std::int64_t aendret = 0;  // the system's own time stamp, compared only for equality
    bool operator==(const fil_id&) const = default;
};

struct erstatning {
    bool ok = false;
    std::string fejl;                        // why not, when not ok
    bool gammel_beholdt = true;              // when not ok: the old file is in place
    std::vector<std::string> bemaerkninger;  // what the operator should know even so
};

// The new file's text on its way to the disk: a buffer in front of the
// file, so a save needs the same memory for any length of list.
class udskrift {
   public:
    using skriv_ud = std::function<bool(std::string_view)>;
    explicit udskrift(skriv_ud ud);

    udskrift& operator<<(std::string_view tekst);
    udskrift& operator<<(char tegn) { return *this << std::string_view(&tegn, 1); }
    // Writes what is buffered. False once any write has failed.
    bool toem();
    bool fejlet() const { return fejlet_; }

   private:
    static constexpr std::size_t kapacitet = 1 << 16;
    skriv_ud ud_;
    std::string buf_;
    bool fejlet_ = false;
};

// Writes the new text; false when it can't be made (the caller knows why).
using indhold_t = std::function<bool(udskrift&)>;

// The steps of a save that a test may put something between (another
// client's save, say); the program's own saves leave it empty.
struct gemmetrin {
    std::function<void()> foer_udskiftning;  // just before the new file takes the old one's place
};

// Writes the text that `indhold` makes to a side file in the folder of the
// file that `navn` names, under a name made from `midlertidig` that no
// other run uses, and puts it in that file's place. Refuses when the file
// is write-protected, and when the file is no longer the one that `laest`
// describes, also when another save replaced it a moment before. On
// failure the old file is in place, or the message says where the list is;
// the side file is gone either way.
erstatning erstat_fil(const char* navn, const char* midlertidig, const indhold_t& indhold,
                      const fil_id* laest, const gemmetrin& trin = {});

// Whether the operator has said that the file must not change: it is
// write-protected (no write permission, or the read-only attribute).
bool skrivebeskyttet(const char* navn);

// What would make erstat_fil refuse before it writes anything, in a few
// words (the file is write-protected, something that is not a regular file
// stands at `midlertidig`, the folder can't be written in); empty when
// nothing is known to stand in the way.
std::string hindring_for_erstatning(const char* navn, const char* midlertidig);

// The identity of the file behind an open descriptor.
fil_id id_for(int fd);

// Opens a file for reading, in binary and without blocking: anything but a
// regular file (a FIFO, a device, a folder) is refused, so reading can never
// hang. The descriptor, or -1 with `fejl` an errno value or ikke_almindelig.
int aabn_til_laesning(const char* navn, int& fejl);
constexpr int ikke_almindelig = -1;
