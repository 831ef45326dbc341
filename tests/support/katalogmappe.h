// A fresh temporary folder as the current directory, for tests of the
// catalogue files, which always live in the current directory.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "files.h"
#include "kat_opsaetning.h"

class katalogmappe : public ::testing::Test {
   protected:
    void SetUp() override {
        mappe_ = make_temp_folder("katsort-test-");
        ASSERT_FALSE(mappe_.empty());
        gammel_ = std::filesystem::current_path();
        std::filesystem::current_path(mappe_);
    }
    void TearDown() override {
        std::filesystem::current_path(gammel_);
        remove_temp_folder(mappe_);
    }

    static void skriv(const std::string& navn, const std::string& indhold) {
        write_file(navn, indhold);
    }
    static std::string laes(const std::string& navn) { return read_file(navn); }
    static bool findes(const std::string& navn) { return std::filesystem::exists(navn); }

    // Puts `indhold` in the list's place as the save does.
    static erstatning gem(std::string_view indhold, const fil_id* laest = nullptr,
                          const gemmetrin& trin = {}) {
        return erstat_fil(
            "kat_emneliste.txt", "kat_emneliste2.txt",
            [&](udskrift& ud) {
                ud << indhold;
                return true;
            },
            laest, trin);
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
