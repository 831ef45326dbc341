// The three readers together: one input is split into katalog.txt,
// kat_emneliste.txt and emne.txt (in a folder of its own, in memory where
// /dev/shm is); the load must end, stay inside the table, and a complete
// load must save a list that loads back the same, leaving no side file.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "arbejdsmappe.h"
#include "kat_opsaetning.h"

using katsort::string;

namespace {

// Parts are separated by the byte pair 0xFF 0x00.
std::string_view del(std::string_view& rest) {
    std::size_t p = rest.find(std::string_view("\xFF\0", 2));
    std::string_view d = rest.substr(0, p);
    rest = p == std::string_view::npos ? std::string_view() : rest.substr(p + 2);
    return d;
}

// The store is large; two slots reused for every input spare the allocator.
alignas(kat_opsaetning) unsigned char plads[2][sizeof(kat_opsaetning)];

struct store {
    explicit store(int i) : k(new (plads[i]) kat_opsaetning) {}
    ~store() { k->~kat_opsaetning(); }
    kat_opsaetning* k;
};

bool har_sidefil() {
    for (const auto& f : std::filesystem::directory_iterator("."))
        if (f.path().filename().string().rfind("kat_emneliste2", 0) == 0) return true;
    return false;
}

// Whether every record after `antal` is untouched. An empty string is a null
// handle, so the records' bytes are all zero; one memcmp over them spares
// the fuzzer 34,000 instrumented comparisons.
bool tomme_efter(kat_opsaetning& k, int antal) {
    static const post_t tomme[antal_pladser]{};
    static_assert(sizeof(string) == sizeof(void*));
    if (antal >= max_poster) return true;
    return std::memcmp(static_cast<const void*>(k.post(antal + 1)), static_cast<const void*>(tomme),
                       static_cast<std::size_t>(max_poster - antal) * sizeof(post_t)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    static arbejdsmappe mappe;
    skriv("katalog.txt", del(rest));
    skriv("kat_emneliste.txt", del(rest));
    skriv("emne.txt", rest);
    store s(0);
    kat_opsaetning* k = s.k;
    k->indlaes("1");
    if (k->hent_antal() < 0 || k->hent_antal() > max_poster) std::abort();
    if (!tomme_efter(*k, k->hent_antal())) std::abort();
    int noegle[5] = {0, -1, -1, -1, -1};
    k->sorter(1, k->hent_antal(), noegle, 0, 1, 1);
    k->gem();
    if (!k->status().indlaest_helt && k->status().gemt) std::abort();
    if (k->status().gemt) {
        if (har_sidefil()) std::abort();
        store igen(1);
        igen.k->indlaes("1");
        if (igen.k->hent_antal() != k->hent_antal()) std::abort();
        if (!igen.k->status().indlaest_helt) std::abort();
    }
    return 0;
}
