#include "terminfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
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
// the names, one byte per boolean, padding to an even offset, the numbers,
// the strings' offsets into the string table, the table; then, optionally,
// the extended capabilities in the same order, with their names.
constexpr int legacy_magic = 0432;     // numbers are 16 bits
constexpr int extended_magic = 01036;  // numbers are 32 bits
constexpr std::size_t colors_index = 13;
constexpr std::size_t smacs_index = 25, rmacs_index = 38, acsc_index = 146;
constexpr std::size_t cup_index = 10, enacs_index = 155;

// The key strings: their places among the standard string capabilities, as
// ncurses' compiler numbers them (term.h).
struct key_capability {
    std::size_t index;
    std::string_view name;
};

// clang-format off
constexpr key_capability key_capabilities[] = {
    {87, "kcuu1"}, {61, "kcud1"}, {79, "kcub1"}, {83, "kcuf1"},
    {81, "knp"}, {82, "kpp"}, {76, "khome"}, {164, "kend"}, {77, "kich1"}, {59, "kdch1"},
    {165, "kent"}, {148, "kcbt"},
    {201, "kLFT"}, {210, "kRIT"}, {85, "kri"}, {84, "kind"}, {199, "kHOM"}, {194, "kEND"},
    {204, "kNXT"}, {206, "kPRV"}, {200, "kIC"}, {191, "kDC"},
    {139, "ka1"}, {140, "ka3"}, {141, "kb2"}, {142, "kc1"}, {143, "kc3"},
    {66, "kf1"}, {68, "kf2"}, {69, "kf3"}, {70, "kf4"}, {71, "kf5"}, {72, "kf6"},
    {73, "kf7"}, {74, "kf8"}, {75, "kf9"}, {67, "kf10"}, {216, "kf11"}, {217, "kf12"},
    {218, "kf13"}, {219, "kf14"}, {220, "kf15"}, {221, "kf16"}, {222, "kf17"}, {223, "kf18"},
    {224, "kf19"}, {225, "kf20"}, {226, "kf21"}, {227, "kf22"}, {228, "kf23"}, {229, "kf24"},
    {230, "kf25"}, {231, "kf26"}, {232, "kf27"}, {233, "kf28"}, {234, "kf29"}, {235, "kf30"},
    {236, "kf31"}, {237, "kf32"}, {238, "kf33"}, {239, "kf34"}, {240, "kf35"}, {241, "kf36"},
};
// clang-format on

class entry_reader {
   public:
    explicit entry_reader(const std::vector<unsigned char>& d) : d_(d) {}

    bool read(description& out) {
        int magic = number16(0);
        if (magic != legacy_magic && magic != extended_magic) return false;
        width_ = magic == extended_magic ? 4 : 2;
        long names = number16(2), booleans = number16(4), numbers = number16(6),
             strings = number16(8), table = number16(10);
        if (names < 0 || booleans < 0 || numbers < 0 || strings < 0 || table < 0) return false;
        std::size_t o = 12 + static_cast<std::size_t>(names + booleans);
        o += o % 2;
        const std::size_t number_start = o;
        o += static_cast<std::size_t>(numbers) * width_;
        const std::size_t offsets = o, table_start = o + static_cast<std::size_t>(strings) * 2;
        if (static_cast<std::size_t>(numbers) > colors_index)
            out.colours = number(number_start + colors_index * width_);
        // A string ends with the table at the latest: a damaged entry's
        // offsets never reach into what follows it.
        const std::size_t table_end = table_start + static_cast<std::size_t>(table);
        auto text = [&](std::size_t index) {
            return index < static_cast<std::size_t>(strings)
                       ? string_at(table_start, number16(offsets + index * 2), table_end)
                       : std::string();
        };
        out.enter_line_drawing = text(smacs_index);
        out.exit_line_drawing = text(rmacs_index);
        out.line_drawing = text(acsc_index);
        out.enable_line_drawing = text(enacs_index);
        out.addresses_cursor = !text(cup_index).empty();
        for (const auto& key : key_capabilities)
            if (std::string bytes = text(key.index); !bytes.empty())
                out.keys.push_back({key.name, std::move(bytes)});
        std::size_t extended = table_end;
        out.direct_colour = has_direct_colour(extended + extended % 2);
        out.cursor_style = has_extended_string(extended + extended % 2, "Ss");
        return true;
    }

   private:
    int number16(std::size_t o) const {
        if (o + 1 >= d_.size()) return -1;
        int v = d_[o] | (d_[o + 1] << 8);
        return v >= 0x8000 ? v - 0x10000 : v;
    }
    int number(std::size_t o) const {
        if (o + width_ > d_.size()) return -1;
        if (width_ == 2) return number16(o);
        long v =
            d_[o] | (d_[o + 1] << 8) | (d_[o + 2] << 16) | (static_cast<long>(d_[o + 3]) << 24);
        return v < 0 || v > 0x7FFFFFFF ? -1 : static_cast<int>(v);
    }
    // The text at `offset` in the table, up to its NUL or `end`.
    std::string string_at(std::size_t table, int offset, std::size_t end = SIZE_MAX) const {
        if (offset < 0) return {};
        end = std::min(end, d_.size());
        std::string s;
        for (std::size_t i = table + static_cast<std::size_t>(offset); i < end && d_[i]; ++i)
            s += static_cast<char>(d_[i]);
        return s;
    }

    // The extended booleans, by name: "RGB" (ncurses) or "Tc" (tmux).
    bool has_direct_colour(std::size_t o) const {
        long booleans = number16(o), numbers = number16(o + 2), strings = number16(o + 4);
        if (booleans <= 0 || numbers < 0 || strings < 0) return false;
        const std::size_t values = o + 10;
        std::size_t p = values + static_cast<std::size_t>(booleans);
        p += p % 2;
        p += static_cast<std::size_t>(numbers) * width_;
        const std::size_t offsets = p;
        const std::size_t table =
            offsets + static_cast<std::size_t>(strings + booleans + numbers + strings) * 2;
        // The names follow the string values.
        std::size_t names = 0;
        for (long i = 0; i < strings; ++i) {
            int off = number16(offsets + static_cast<std::size_t>(i) * 2);
            if (off >= 0)
                names = std::max(names,
                                 static_cast<std::size_t>(off) + string_at(table, off).size() + 1);
        }
        for (long i = 0; i < booleans; ++i) {
            if (values + static_cast<std::size_t>(i) >= d_.size() ||
                d_[values + static_cast<std::size_t>(i)] != 1)
                continue;
            int off = number16(offsets + static_cast<std::size_t>(strings + i) * 2);
            std::string name = string_at(table + names, off);
            if (name == "RGB" || name == "Tc") return true;
        }
        return false;
    }

    // Whether an extended string capability is there, by name.
    bool has_extended_string(std::size_t o, std::string_view wanted) const {
        long booleans = number16(o), numbers = number16(o + 2), strings = number16(o + 4);
        if (booleans < 0 || numbers < 0 || strings <= 0) return false;
        std::size_t p = o + 10 + static_cast<std::size_t>(booleans);
        p += p % 2;
        p += static_cast<std::size_t>(numbers) * width_;
        const std::size_t offsets = p;
        const std::size_t table =
            offsets + static_cast<std::size_t>(strings + booleans + numbers + strings) * 2;
        auto value_offset = [&](long i) {
            return number16(offsets + static_cast<std::size_t>(i) * 2);
        };
        // The names follow the string values.
        std::size_t names = 0;
        for (long i = 0; i < strings; ++i)
            if (int off = value_offset(i); off >= 0)
                names = std::max(names,
                                 static_cast<std::size_t>(off) + string_at(table, off).size() + 1);
        for (long i = 0; i < strings; ++i) {
            if (value_offset(i) < 0) continue;
            int name =
                number16(offsets + static_cast<std::size_t>(strings + booleans + numbers + i) * 2);
            if (string_at(table + names, name) == wanted) return true;
        }
        return false;
    }

    const std::vector<unsigned char>& d_;
    std::size_t width_ = 2;
};

// The entry for this terminal name, where ncurses looks for it.
bool find_entry(std::string_view term_name, std::vector<unsigned char>& d) {
    if (!valid_terminal_name(term_name)) return false;
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
    for (const auto& m : folders)
        for (const std::string& sub : {std::string(1, term[0]), std::string(hex)})
            if (read_entry_file(m + "/" + sub + "/" + term, d)) return true;
    return false;
}

std::optional<description> described_by(const std::vector<unsigned char>& entry) {
    description found;
    if (!entry_reader(entry).read(found)) return std::nullopt;
    return found;
}

}  // namespace

std::optional<description> describe(std::string_view term_name) {
    std::vector<unsigned char> d;
    return find_entry(term_name, d) ? described_by(d) : std::nullopt;
}

std::optional<description> describe_file(const std::string& path) {
    std::vector<unsigned char> d;
    return read_entry_file(path, d) ? described_by(d) : std::nullopt;
}

}  // namespace console_detail::terminfo
