// Loads catalogue 1 in the current folder, reverses its lot numbers and
// saves: the save that the crash test kills at random moments.
#include <memory>
#include <string>

#include "kat_opsaetning.h"

int main() {
    auto k = std::make_unique<kat_opsaetning>();
    k->indlaes("1");
    int n = k->hent_antal();
    for (int i = 1; i <= n; ++i) {
        std::int32_t nr = kat_opsaetning::tal_noegle(k->post(i)[1]);
        k->post(i)[1] = kat_opsaetning::tal_til_tekst(n + 1 - nr);
    }
    int noegle[5] = {0, -1, -1, -1, -1};
    k->sorter(1, n, noegle, 0, 1, 1);
    k->gem();
    return k->status().gemt ? 0 : 1;
}
