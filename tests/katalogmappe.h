// A fresh temporary folder as the current directory, for tests of the
// catalogue files, which always live in the current directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class katalogmappe : public ::testing::Test {
   protected:
    void SetUp() override {
        char skabelon[] = "/tmp/katsort-test-XXXXXX";
        ASSERT_NE(mkdtemp(skabelon), nullptr);
        mappe_ = skabelon;
        gammel_ = std::filesystem::current_path();
        std::filesystem::current_path(mappe_);
    }
    void TearDown() override {
        std::filesystem::current_path(gammel_);
        std::error_code ec;
        std::filesystem::permissions(mappe_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(mappe_, ec);
    }

    static void skriv(const std::string& navn, const std::string& indhold) {
        std::ofstream f(navn, std::ios::binary);
        f << indhold;
    }
    static std::string laes(const std::string& navn) {
        std::ifstream f(navn, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    static bool findes(const std::string& navn) { return std::filesystem::exists(navn); }

    // One emne.txt entry with fifteen fields; field k is "<navn>-k" unless given.
    static std::string emne_post(const std::string& nr, const std::string& titel = "",
                                 const std::string& kunstner = "", const std::string& felt4 = "") {
        std::string s = "# " + nr + " x";
        for (int k = 1; k <= 15; ++k) {
            std::string v = std::string("f") + std::to_string(k) + "-" + nr;
            if (k == 1 && !titel.empty()) v = titel;
            if (k == 2 && !kunstner.empty()) v = kunstner;
            if (k == 3 && !felt4.empty()) v = felt4;
            s += " " + v + " \xA4";
        }
        return s + "\r\n";
    }

    std::filesystem::path mappe_, gammel_;
};
