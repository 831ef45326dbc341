// Timing helpers for the benchmarks: the median of repeated runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

template <class Forbered, class Koer>
double median_sekunder(int gange, Forbered forbered, Koer koer) {
    std::vector<double> tider;
    for (int i = 0; i < gange; ++i) {
        forbered();
        auto start = std::chrono::steady_clock::now();
        koer();
        tider.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(tider.begin(), tider.end());
    return tider[tider.size() / 2];
}
