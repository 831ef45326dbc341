// The sort as a plain per-comparison selection sort: a key computed afresh
// for every record scanned. The yardstick for the fast sort, in benchmarks
// and in the tests that compare the two.
#pragma once

#include "kat_opsaetning.h"

void bogstavelig_sorter(kat_opsaetning& k, int foerste, int sidste, const int* noegler, int niveau,
                        int antal_noegler, int behold_numre);
