// A fresh temporary folder as the current directory, for tests of the
// catalogue files, which always live in the current directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "kat_opsaetning.h"

class katalogmappe : public ::testing::Test {
   protected:
    void SetUp() override {
        // A name of our own in the system's temporary folder, on every system.
        std::random_device tilfaeldig;
        for (int forsoeg = 0; forsoeg < 100 && mappe_.empty(); ++forsoeg) {
            auto kandidat = std::filesystem::temp_directory_path() /
                            ("katsort-test-" + std::to_string(tilfaeldig()));
            if (std::filesystem::create_directory(kandidat)) mappe_ = kandidat;
        }
        ASSERT_FALSE(mappe_.empty());
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

    // Puts `indhold` in the list's place as the save does.
    static erstatning gem(std::string_view indhold, const fil_id* laest = nullptr) {
        return erstat_fil(
            "kat_emneliste.txt", "kat_emneliste2.txt",
            [&](udskrift& ud) {
                ud << indhold;
                return true;
            },
            laest);
    }

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

    // A store of catalogue 1 with records given as (topic, lot) pairs, as
    // if it had been loaded completely.
    static std::unique_ptr<kat_opsaetning> store(
        std::initializer_list<std::pair<const char*, const char*>> r) {
        auto k = std::make_unique<kat_opsaetning>();
        k->katalog_nr = "1";
        int i = 0;
        for (auto [emne_nr, nr] : r) {
            ++i;
            k->post(i)[0] = emne_nr;
            k->post(i)[1] = nr;
        }
        k->antal_poster = i;
        return k;
    }

    // The list of the worked example, with a fifth entry of catalogue 3.
    static constexpr const char* eksempel_liste =
        "# 2 30 1\r\n# 1 17 1\r\n# 1 4 2\r\n# 1 9 3\r\n# 3 5 7";

    std::filesystem::path mappe_, gammel_;
};
