// The fixture of the end-to-end tests: a fresh catalogue folder, the keys
// a terminal sends, and the screens the tests wait for.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "files.h"
#include "vterm_pty.h"

namespace fs = std::filesystem;

namespace e2e {

const std::string op = "\x1b[A", ned = "\x1b[B", hoejre = "\x1b[C", venstre = "\x1b[D",
                  f1 = "\x1bOP";

// ECMA-48 colour indices of the PC colours the program uses.
constexpr int sort_ = 0, roed = 1, blaa = 4, groen = 2, lysgraa = 7, moerkegraa = 8, hvid = 15;

class E2e : public ::testing::Test {
   public:
    void SetUp() override {
        mappe = make_temp_folder("katsort-e2e-");
        ASSERT_FALSE(mappe.empty());
    }
    void TearDown() override { fs::remove_all(mappe); }

    void skriv(const std::string& navn, const std::string& indhold) {
        write_file(mappe / navn, indhold);
    }
    std::string laes(const std::string& navn) { return read_file(mappe / navn); }
    void demo() {
        for (auto& f : fs::directory_iterator(KATSORT_DEMO_DIR))
            fs::copy(f.path(), mappe / f.path().filename());
    }
    // A catalogue of n lots: topic 100+i, lot i, title "Titel i".
    void katalog(int n) {
        std::string liste = "# 2 7 7\r\n", emner;
        for (int i = 1; i <= n; ++i) {
            liste += "# 1 " + std::to_string(100 + i) + " " + std::to_string(i) + "\r\n";
            emner += "# " + std::to_string(100 + i) + " x Titel " + std::to_string(i) + " \xA4";
            for (int k = 2; k <= 15; ++k) emner += " v \xA4";
            emner += "\r\n";
        }
        skriv("katalog.txt", "# 1 Kunst 12.03.1998 " + std::to_string(n) + "\r\n");
        skriv("kat_emneliste.txt", liste + "# 3 5 7");
        skriv("emne.txt", emner);
    }
    // The eight lots of the sort's worked example (field 4 is A or B), with
    // entries of catalogues 2 and 3 around them.
    void otte_emner() {
        const char* lots[8][3] = {{"10", "B", "Vase"},   {"11", "A", "Stol"}, {"12", "B", "Lampe"},
                                  {"13", "A", "Bord"},   {"14", "A", "Ur"},   {"15", "B", "Kande"},
                                  {"16", "A", "Maleri"}, {"17", "A", "Fad"}};
        std::string liste = "# 2 30 1\r\n", emner;
        for (int i = 0; i < 8; ++i) {
            liste += std::string("# 1 ") + lots[i][0] + " " + std::to_string(i + 1) + "\r\n";
            emner += std::string("# ") + lots[i][0] + " x " + lots[i][2] + " \xA4 Kunstner \xA4 " +
                     lots[i][1] + " \xA4";
            for (int f = 4; f <= 15; ++f) emner += " - \xA4";
            emner += "\r\n";
        }
        skriv("katalog.txt", "# 1 Kunst 12.03.1998 8");
        skriv("kat_emneliste.txt", liste + "# 3 5 7");
        skriv("emne.txt", emner);
    }
    // The list those eight lots are saved as after F1 with "t", "i" and Esc.
    static constexpr const char* otte_emner_gemt =
        "# 2 30 1\r\n# 1 10 7 \r\n# 1 11 4 \r\n# 1 12 8 \r\n# 1 13 1 \r\n# 1 14 5 \r\n"
        "# 1 15 6 \r\n# 1 16 3 \r\n# 1 17 2 \r\n# 3 5 7";

    // Every name in the catalogue folder and the folders below it.
    std::set<std::string> navne() const {
        std::set<std::string> alle;
        for (const auto& f : fs::recursive_directory_iterator(mappe))
            alle.insert(f.path().lexically_relative(mappe).generic_string());
        return alle;
    }

    // Runs `kommando` in `hvor` (the catalogue folder unless given) without
    // any terminal: a session of its own, standard input and output
    // /dev/null. What it writes to standard error goes to `fejl` (through a
    // file outside the folder). The exit status, or -1 when it did not exit.
    int uden_terminal(const std::vector<std::string>& kommando, std::string& fejl,
                      fs::path hvor = {}) {
        if (hvor.empty()) hvor = mappe;
        const std::string fil = mappe.string() + ".stderr";
        pid_t pid = fork();
        if (pid == 0) {
            setsid();
            if (chdir(hvor.c_str()) != 0) _exit(126);
            int ud = open(fil.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(ud, 2);
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            std::vector<char*> argv;
            for (const auto& a : kommando) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        fejl = read_file(fil);
        fs::remove(fil);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static bool hovedskaerm(const vterm_screen& s) {
        return s.row(47, 65, 70) == "Side " && s.row(1, 7, 18) == "Katalog nr:";
    }
    static bool listen_vist(const vterm_screen& s) {
        return hovedskaerm(s) && s.background(5, 2) == blaa;
    }
    static bool gemmer(const vterm_screen& s) {
        return s.row(21, 22, 63).find("G e m m e r  d a t a") != std::string::npos;
    }

    fs::path mappe;
};

}  // namespace e2e

using e2e::E2e;
