#include "terminfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace console_detail::terminfo {

namespace {

// A terminal name as terminfo files are named, and nothing that could make
// the name a path.
bool valid_terminal_name(std::string_view name) {
    if (name.empty() || name.size() > 64 || name[0] == '.') return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '+' || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

// A terminfo entry, when the path is a regular file: opened without waiting
// (a FIFO would wait for a writer) and read no further than an entry can be
// long, so a device behind the name can't fill the memory.
bool read_entry_file(const std::string& path, std::vector<unsigned char>& d) {
    constexpr std::size_t most = 64 * 1024;
    int f = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (f < 0) return false;
    struct stat st {};
    if (::fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(f);
        return false;
    }
    d.resize(most);
    std::size_t n = 0;
    while (n < most) {
        ssize_t r = ::read(f, d.data() + n, most - n);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        n += static_cast<std::size_t>(r);
    }
    ::close(f);
    d.resize(n);
    return true;
}

// Entries from ncurses' compiler: a header of six 16-bit numbers (magic,
// name size, boolean count, number count, string count, string table size),
// the names, one byte per boolean, padding to an even offset, the numbers.
constexpr int legacy_magic = 0432;     // numbers are 16 bits
constexpr int extended_magic = 01036;  // numbers are 32 bits
constexpr std::size_t colors_index = 13;

int colours_in_entry(const std::vector<unsigned char>& d) {
    auto number16 = [&](std::size_t o) { return o + 1 < d.size() ? d[o] | (d[o + 1] << 8) : -1; };
    int magic = number16(0);
    if (magic != legacy_magic && magic != extended_magic) return -1;
    std::size_t width = magic == extended_magic ? 4 : 2;
    std::size_t o =
        12 + static_cast<std::size_t>(number16(2)) + static_cast<std::size_t>(number16(4));
    if (o % 2) ++o;
    if (static_cast<std::size_t>(number16(6)) <= colors_index) return -1;
    o += colors_index * width;
    if (o + width > d.size()) return -1;
    int v = number16(o);
    if (width == 4 && o + 3 < d.size()) v |= (d[o + 2] << 16) | (d[o + 3] << 24);
    return v == 0xFFFF || v < 0 ? -1 : v;
}

}  // namespace

int colours(std::string_view term_name) {
    if (!valid_terminal_name(term_name)) return -1;
    std::string term(term_name);
    std::vector<std::string> folders;
    if (const char* t = std::getenv("TERMINFO")) folders.emplace_back(t);
    if (const char* h = std::getenv("HOME")) folders.push_back(std::string(h) + "/.terminfo");
    if (const char* list = std::getenv("TERMINFO_DIRS")) {
        std::string l = list;
        for (std::size_t p = 0, q; p <= l.size(); p = q + 1) {
            q = l.find(':', p);
            if (q == std::string::npos) q = l.size();
            if (q > p) folders.push_back(l.substr(p, q - p));
        }
    }
    for (const char* m : {"/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo"})
        folders.emplace_back(m);
    // Entries are filed under their first letter, or its hex code on systems
    // whose file names ignore case.
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(term[0]));
    std::vector<unsigned char> d;
    for (const auto& m : folders)
        for (const std::string& sub : {std::string(1, term[0]), std::string(hex)})
            if (read_entry_file(m + "/" + sub + "/" + term, d)) return colours_in_entry(d);
    return -1;
}

}  // namespace console_detail::terminfo
