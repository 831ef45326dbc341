// Timing helpers for the benchmarks: the median of repeated runs.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <vector>

// A fresh folder under /tmp as the current folder while it lives.
class bench_mappe {
   public:
    bench_mappe() : tilbage_(std::filesystem::current_path()) {
        char skabelon[] = "/tmp/katsort-bench-XXXXXX";
        if (!mkdtemp(skabelon)) return;
        mappe_ = skabelon;
        std::filesystem::current_path(mappe_);
    }
    ~bench_mappe() {
        std::filesystem::current_path(tilbage_);
        if (!mappe_.empty()) std::filesystem::remove_all(mappe_);
    }
    bool ok() const { return !mappe_.empty(); }

   private:
    std::filesystem::path tilbage_, mappe_;
};

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
