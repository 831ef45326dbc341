// The real program in a pseudo-terminal behind libvterm: keys typed, cells
// read back, files checked byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "e2e.h"

using namespace e2e;

TEST_F(E2e, LoadingScreenThenTheMainScreenInItsColours) {
    demo();
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.row(11, 27, 28) == "\u2588"; }));
    auto& s = k.skaerm();
    EXPECT_EQ(s.row(2, 18, 63), "Velkommen til katalogemnesorteringsprogrammet");
    EXPECT_EQ(s.row(3, 29, 49), "TROLDMOSE DATAVAERKE");
    EXPECT_EQ(s.row(0, 0, 3), "\u2554\u2550\u2550");
    EXPECT_EQ(s.row(9, 27, 43), "Indl\u00e6ser program");
    EXPECT_EQ(s.foreground(2, 20), blaa);
    EXPECT_EQ(s.background(2, 20), lysgraa);

    ASSERT_TRUE(k.vent_paa(listen_vist));
    EXPECT_EQ(
        s.row(0), "\u2554" + std::string() + [] {
            std::string l;
            for (int i = 0; i < 78; ++i) l += "\u2550";
            return l;
        }() + "\u2557");
    EXPECT_EQ(s.row(1, 19, 20), "1");
    EXPECT_EQ(s.row(1, 42, 47), "Kunst");  // longer than its four blanked cells
    EXPECT_EQ(s.row(1, 61, 71), "12.03.1998");
    EXPECT_EQ(s.foreground(1, 19), blaa);
    EXPECT_EQ(s.foreground(1, 7), hvid);
    EXPECT_EQ(s.row(3, 3, 6), "Nr.");
    EXPECT_EQ(s.row(47, 70, 73), "1/4");
    EXPECT_EQ(s.row(47, 8, 28), "Naviger: Pile taster");
    EXPECT_EQ(s.foreground(5, 2), hvid);
    EXPECT_EQ(s.background(5, 77), blaa);
    EXPECT_EQ(s.background(5, 78), lysgraa);
    EXPECT_EQ(s.row(5, 2, 6), "   1");
    EXPECT_EQ(s.foreground(6, 2), sort_);
    EXPECT_EQ(s.row(49), std::string(80, ' '));
    EXPECT_FALSE(s.cursor_visible());
    k.skriv("\x1b");
    EXPECT_NE(k.vent_paa_slut(), -1);
}

// The README's demo command, as an operator types it: it builds the program,
// starts it on a fresh copy of the demo catalogue, leaves the bundled files
// as they were, and after the end names the copy again (the screen has
// wiped the first notice) with the command that shows the saved list.
TEST_F(E2e, TheReadmeDemoCommandStartsOnAFreshCopyOfTheDemo) {
    const fs::path bundlet = fs::path(KATSORT_DEMO_DIR) / "kat_emneliste.txt";
    const std::string bundlet_foer = read_file(bundlet);
    start_valg valg;
    valg.binaer = KATSORT_KILDEMAPPE "/scripts/demo.sh";
    koersel k(mappe, valg);
    // The first time it builds the whole program.
    bool vist = k.vent_paa(listen_vist, 600000);
    const std::string& ud = k.alt_output();
    const std::string maerke = "Demokataloget ligger i ";
    fs::path kopi;
    if (auto start = ud.find(maerke); start != std::string::npos) {
        start += maerke.size();
        kopi = ud.substr(start, ud.find_first_of("\r\n", start) - start);
    }
    struct oprydning {
        fs::path mappe;
        ~oprydning() {
            if (mappe.string().rfind("/tmp/katsort-demo-", 0) == 0) fs::remove_all(mappe);
        }
    } ryd_op{kopi};
    ASSERT_TRUE(vist) << ud.substr(0, 4000);
    EXPECT_EQ(k.skaerm().row(47, 70, 73), "1/4");
    k.skriv("\x1b");
    EXPECT_EQ(k.vent_paa_slut(30000), 0);
    std::string skaerm_til_slut;
    for (int r = 0; r < 50; ++r) skaerm_til_slut += k.skaerm().row(r) + "\n";
    for (const std::string& linje :
         {maerke + kopi.string(), "cat " + (kopi / "kat_emneliste.txt").string()})
        EXPECT_NE(skaerm_til_slut.find(linje), std::string::npos) << linje << "\n"
                                                                  << skaerm_til_slut;
    EXPECT_TRUE(fs::is_regular_file(kopi / "kat_emneliste.txt")) << kopi;
    EXPECT_NE(kopi, fs::path(KATSORT_DEMO_DIR));
    EXPECT_EQ(read_file(bundlet), bundlet_foer);
}

TEST_F(E2e, NavigationAcrossPages) {
    katalog(83);
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(listen_vist));
    auto& s = k.skaerm();
    std::string taster;
    for (int i = 0; i < 82; ++i) taster += ned;  // to page 3, item 83 on row 6
    k.skriv(taster);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.row(47, 70, 73) == "3/3"; }));
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.background(5, 20) == blaa; }));
    EXPECT_EQ(s.row(5, 16, 24), "Titel 83");
    EXPECT_EQ(s.row(6, 2, 78), std::string(76, ' '));
    k.skriv(op);  // Up at row 6 of page 3: page 2 with the cursor on row 46 (item 82)
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return s.row(47, 70, 73) == "2/3" && s.background(45, 20) == blaa;
    }));
    EXPECT_EQ(s.row(45, 16, 24), "Titel 82");
    k.skriv(hoejre + hoejre);  // Right on the last page draws it again
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return s.row(47, 70, 73) == "3/3" && s.background(45, 20) == blaa;
    }));
    EXPECT_EQ(s.row(45, 2, 78), std::string(76, ' '));
    EXPECT_EQ(s.background(44, 20), lysgraa);
    k.skriv(venstre + venstre + venstre);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return s.row(47, 70, 73) == "1/3" && s.background(45, 20) == blaa;
    }));
    EXPECT_EQ(s.row(45, 16, 24), "Titel 41");
    k.skriv("\x1b");
    EXPECT_EQ(k.vent_paa_slut(), 0);
}

TEST_F(E2e, NoLotsShowOneOfZeroAndBlankRows) {
    katalog(0);
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(listen_vist));
    auto& s = k.skaerm();
    EXPECT_EQ(s.row(47, 70, 73), "1/0");
    k.skriv(ned + ned + hoejre + venstre);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.background(7, 10) == blaa; }));
    EXPECT_EQ(s.background(5, 10), lysgraa);
    k.skriv("\x1b");
    EXPECT_EQ(k.vent_paa_slut(), 0);
}

TEST_F(E2e, F1DialogSortsRenumbersAndEscSavesByteForByte) {
    otte_emner();
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(listen_vist));
    auto& s = k.skaerm();
    k.skriv(ned + ned + f1);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return s.row(16, 17, 68).find("P R I O R I T E R I N G") != std::string::npos;
    }));
    EXPECT_EQ(s.background(16, 20), groen);
    EXPECT_EQ(s.foreground(16, 20), lysgraa);
    EXPECT_TRUE(s.cursor_visible());
    k.skriv("t");
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.row(20, 38, 43) == "Titel"; }));
    // Refused: Titel was chosen on line 1, so the "K" that follows answers line 2.
    k.skriv("tK");
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.row(21, 38, 46) == "Kunstner"; }));
    k.skriv("i");
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return s.row(5, 16, 20) == "Bord" && s.background(7, 20) == blaa;
    }));
    EXPECT_EQ(s.row(47, 70, 73), "1/1");
    // Sorted by field 4, the five A lots by title, renumbered; the cursor kept row 8.
    const char* efter_f1[] = {"Bord", "Fad", "Maleri", "Stol", "Ur", "Kande", "Vase", "Lampe"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(s.row(5 + i, 16, 16 + static_cast<int>(std::strlen(efter_f1[i]))), efter_f1[i]);
        EXPECT_EQ(s.row(5 + i, 2, 6), "   " + std::to_string(i + 1));
    }
    k.skriv("\x1b");
    ASSERT_EQ(k.vent_paa_slut(), 0);
    EXPECT_EQ(laes("kat_emneliste.txt"), otte_emner_gemt);
    EXPECT_FALSE(fs::exists(mappe / "kat_emneliste2.txt"));
    // The saving box stays on the screen; the terminal is as it was.
    EXPECT_TRUE(gemmer(s));
    EXPECT_TRUE(s.cursor_visible());
    termios efter = k.terminal_tilstand();
    EXPECT_EQ(efter.c_lflag, k.tilstand_foer().c_lflag);
    EXPECT_EQ(efter.c_iflag, k.tilstand_foer().c_iflag);
    EXPECT_TRUE(efter.c_lflag & ICANON);
    EXPECT_TRUE(efter.c_lflag & ECHO);
    EXPECT_TRUE(efter.c_lflag & ISIG);
    EXPECT_TRUE(efter.c_oflag & OPOST);
}

TEST_F(E2e, TerminalModesComeBackOnEveryWayOut) {
    katalog(3);
    for (int sig : {0, SIGTERM, SIGHUP, SIGQUIT}) {
        koersel k(mappe);
        const termios& foer = k.tilstand_foer();
        ASSERT_TRUE(k.vent_paa(listen_vist)) << sig;
        EXPECT_FALSE(k.terminal_tilstand().c_lflag & ECHO);
        // The dialog's cursor is an underline; the terminal's own comes back.
        if (sig != 0) {
            k.skriv(f1);
            ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
                return s.row(16, 17, 68).find("P R I O R I T E R I N G") != std::string::npos;
            })) << sig;
            EXPECT_NE(k.alt_output().find("\x1b[?25h\x1b[4 q"), std::string::npos) << sig;
        }
        if (sig == 0)
            k.skriv("\x1b");
        else
            kill(k.pid(), sig);
        int status = k.vent_paa_slut();
        ASSERT_NE(status, -1) << sig;
        if (sig != 0) {
            EXPECT_TRUE(WIFSIGNALED(status)) << sig;
            EXPECT_EQ(WTERMSIG(status), sig);
        }
        termios efter = k.terminal_tilstand();
        EXPECT_EQ(efter.c_lflag, foer.c_lflag) << sig;
        EXPECT_EQ(efter.c_iflag, foer.c_iflag) << sig;
        EXPECT_EQ(efter.c_oflag, foer.c_oflag) << sig;
        EXPECT_TRUE(k.skaerm().cursor_visible()) << sig;
        EXPECT_NE(k.alt_output().rfind("\x1b[?7h"), std::string::npos) << sig;
        const std::size_t understreg = k.alt_output().rfind("\x1b[4 q"),
                          egen = k.alt_output().rfind("\x1b[0 q");
        ASSERT_NE(egen, std::string::npos) << sig;
        EXPECT_TRUE(understreg == std::string::npos || egen > understreg) << sig;
    }
}

TEST_F(E2e, KittyKeyboardProtocolIsPushedAndPoppedOnEveryWayOut) {
    katalog(3);
    for (int sig : {0, SIGTERM, SIGHUP}) {
        koersel k(mappe);
        k.svar_som_kitty();
        ASSERT_TRUE(k.vent_paa(listen_vist)) << sig;
        std::size_t tryk = k.alt_output().find("\x1b[>1u");
        ASSERT_NE(tryk, std::string::npos) << sig;
        if (sig == 0)
            k.skriv("\x1b[27u");  // Esc as the protocol sends it: no wait for more
        else
            kill(k.pid(), sig);
        ASSERT_NE(k.vent_paa_slut(), -1) << sig;
        EXPECT_NE(k.alt_output().find("\x1b[<u", tryk), std::string::npos) << sig;
    }
}

// Under a job-control shell, so the stop really happens.
TEST_F(E2e, StopAndContinueGiveTheTerminalBackAndRepaint) {
    katalog(3);
    koersel k(mappe, start_valg{.jobkontrol = true});
    const termios& foer = k.tilstand_foer();
    ASSERT_TRUE(k.vent_paa(listen_vist));
    kill(k.pid(), SIGTSTP);
    auto tilstand = [&] {
        std::ifstream f("/proc/" + std::to_string(k.pid()) + "/stat");
        std::string linje;
        std::getline(f, linje);
        std::size_t p = linje.rfind(") ");
        return p == std::string::npos ? '?' : linje[p + 2];
    };
    ASSERT_TRUE(k.vent_paa([&](const vterm_screen&) { return tilstand() == 'T'; }));
    EXPECT_EQ(k.terminal_tilstand().c_lflag, foer.c_lflag);
    EXPECT_EQ(k.terminal_tilstand().c_iflag, foer.c_iflag);
    k.andet_program_tegner("\x1b[2J");  // the shell draws over the screen meanwhile
    EXPECT_EQ(tilstand(), 'T');
    k.fortsaet_i_forgrunden();
    ASSERT_TRUE(k.vent_paa(listen_vist));
    EXPECT_NE(tilstand(), 'T');
    EXPECT_FALSE(k.terminal_tilstand().c_lflag & ECHO);
    k.skriv(ned);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.background(6, 20) == blaa; }));
    k.skriv("\x1b");
    EXPECT_EQ(k.vent_paa_slut(), 0);
}

TEST_F(E2e, SmallTerminalShowsANoticeAndRepaintsWhenResized) {
    katalog(50);
    koersel k(mappe, 24, 80);
    auto& s = k.skaerm();
    // The loading screen asks for what the main screen needs, not its own 80 x 25.
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return s.row(23).find("80 x 50") != std::string::npos &&
               s.row(8).find("Loading program") != std::string::npos;
    }));
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return s.row(23).find("80 x 50") != std::string::npos && s.row(1, 7, 18) == "Katalog nr:";
    }));
    EXPECT_NE(k.alt_output().find("\x1b[8;50;80t"), std::string::npos);
    k.skriv(ned);  // keys keep working
    k.skift_stoerrelse(50, 80);
    ASSERT_TRUE(k.vent_paa(hovedskaerm));
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.background(6, 20) == blaa; }));
    EXPECT_EQ(s.row(23).find("80 x 50"), std::string::npos);
    EXPECT_EQ(s.row(47, 70, 73), "1/2");
    // Down to 80 x 24 and back while running: the notice comes and goes, and
    // the screen is whole again, the cursor row included.
    k.skift_stoerrelse(24, 80);
    ASSERT_TRUE(k.vent_paa(
        [](const vterm_screen& s) { return s.row(23).find("(nu 80 x 24)") != std::string::npos; }));
    EXPECT_EQ(s.row(6, 16, 23), "Titel 2");
    k.skift_stoerrelse(50, 80);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return s.row(47, 70, 73) == "1/2" && s.background(6, 20) == blaa;
    }));
    EXPECT_EQ(s.row(23, 16, 24), "Titel 19");  // the row the notice stood on
    EXPECT_EQ(s.row(48, 0, 1), "\u255A");
    k.skriv("\x1b");
    EXPECT_EQ(k.vent_paa_slut(), 0);
}

// What the shell writes after the program starts on a clean row, not over
// the notice (which ended as "RC=0uet er for lille...") nor over the red
// reason on the last row of a terminal of exactly 50 rows; the messages
// after the screen leave no red tail.
TEST_F(E2e, ASmallTerminalIsLeftWithACleanLastRow) {
    const struct {
        int raekker, kolonner;
        bool uden_katalog;  // the reason why the list can't be saved on the last row
        const char* paa_sidste_raekke;
    } tilfaeldene[] = {{24, 80, false, "80 x 50"},
                       {50, 80, true, "katalog.txt mangler"},
                       {60, 60, false, "80 x 50"}};  // too narrow: rows between screen and notice
    for (const auto& t : tilfaeldene) {
        katalog(50);
        if (t.uden_katalog) fs::remove(mappe / "katalog.txt");
        koersel k(mappe, t.raekker, t.kolonner);
        const int sidste = t.raekker - 1;
        ASSERT_TRUE(k.vent_paa([&](const vterm_screen& s) {
            return s.row(sidste).find(t.paa_sidste_raekke) != std::string::npos &&
                   s.row(1, 7, 18) == "Katalog nr:" &&
                   (t.uden_katalog || s.background(5, 20) == blaa);
        })) << t.raekker;
        k.skriv("\x1b");
        ASSERT_EQ(k.vent_paa_slut(), t.uden_katalog ? 1 << 8 : 0);
        k.andet_program_tegner("RC=0");
        auto& s = k.skaerm();
        EXPECT_EQ(s.row(sidste), "RC=0" + std::string(t.kolonner - 4, ' ')) << t.raekker;
        for (int r = sidste - 5; r <= sidste; ++r)
            EXPECT_NE(s.background(r, 50), roed) << t.raekker << " row " << r;
        if (!t.uden_katalog) {
            EXPECT_EQ(s.row(10, 16, 23), "Titel 6");  // the screen above stays
        }
    }
}

TEST_F(E2e, MissingKatalogShowsFejlAndKeepsTheList) {
    skriv("kat_emneliste.txt", "# 1 4 1\r\n# 2 5 6");
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(listen_vist));
    // Standard output is the terminal: "fejl" is part of a screen update,
    // never left at the cursor past the screen's last cell.
    const std::string& ud = k.alt_output();
    const std::size_t fejl = ud.find("fejl");
    ASSERT_NE(fejl, std::string::npos);
    const std::size_t start = ud.rfind("\x1b[?2026h", fejl), slut = ud.rfind("\x1b[?2026l", fejl);
    EXPECT_TRUE(start != std::string::npos && (slut == std::string::npos || slut < start));
    EXPECT_EQ(k.skaerm().row(49, 79), " ");
    k.skriv("\x1b");
    int status = k.vent_paa_slut();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(laes("kat_emneliste.txt"), "# 1 4 1\r\n# 2 5 6");
    EXPECT_NE(k.alt_output().find("katalog.txt"),
              std::string::npos);  // the reason, after the screen
}

// Standard output elsewhere: "fejl" lands in a file; a pipe that nobody
// reads is a failed write, said after the screen, not the end by SIGPIPE.
TEST_F(E2e, OutputElsewhereKeepsTheScreenAndFejlLandsThereOrIsSaidToFail) {
    const std::string ud = (mappe / "ud.txt").string();
    for (bool roer : {false, true}) {
        SCOPED_TRACE(roer ? "a pipe nobody reads" : "a file");
        skriv("kat_emneliste.txt", "# 1 4 1\r\n# 2 5 6");
        omdirigering hvor{roer ? "" : ud, false, roer};
        koersel k(mappe, 50, 80, {}, {}, hvor);
        ASSERT_TRUE(k.vent_paa(listen_vist));
        EXPECT_EQ(k.alt_output().find("fejl"), std::string::npos);  // not on the screen
        k.skriv(ned);
        ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.background(6, 20) == blaa; }));
        k.skriv("\x1b");
        int status = k.vent_paa_slut();
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        if (roer) {
            EXPECT_NE(k.alt_output().find("\"fejl\" kunne ikke skrives til standard-output"),
                      std::string::npos);
        } else {
            EXPECT_EQ(laes("ud.txt"), "fejl");
        }
        EXPECT_EQ(laes("kat_emneliste.txt"), "# 1 4 1\r\n# 2 5 6");
    }
}

TEST_F(E2e, InputFromDevNullStillReadsTheKeyboard) {
    katalog(50);
    koersel k(mappe, 50, 80, {}, {}, omdirigering{"", true});
    ASSERT_TRUE(k.vent_paa(listen_vist));
    k.skriv(hoejre);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.row(47, 70, 73) == "2/2"; }));
    k.skriv(f1 + "I");
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.row(47, 70, 73) == "1/2"; }));
    k.skriv("\x1b");
    EXPECT_EQ(k.vent_paa_slut(), 0);
    EXPECT_NE(laes("kat_emneliste.txt").find("# 1 150 50 \r\n"), std::string::npos);
}

TEST_F(E2e, ArgumentsAndNoTerminal) {
    std::string fejl;
    EXPECT_EQ(uden_terminal({katsort_binaer(), "--help"}, fejl), 0);
    EXPECT_EQ(uden_terminal({katsort_binaer(), "--version"}, fejl), 0);
    EXPECT_EQ(uden_terminal({katsort_binaer(), "-x"}, fejl), 2);
    EXPECT_EQ(uden_terminal({katsort_binaer()}, fejl), 2);
    // A terminal that can't place its cursor is sent no screen, only why.
    katalog(3);
    koersel k(mappe, start_valg{.miljoe = {{"TERM", "dumb"}}});
    EXPECT_EQ(k.vent_paa_slut(), 2 << 8);
    EXPECT_NE(k.alt_output().find("kan ikke flytte mark\xC3\xB8ren"), std::string::npos);
    EXPECT_EQ(k.alt_output().find('\x1b'), std::string::npos);
}

// Under valgrind (in a build without the sanitizers; KATSORT_VALGRIND=1):
// no leaks, no memory errors, no descriptors left open.
TEST_F(E2e, ValgrindCleanOnTheDemo) {
    if (!std::getenv("KATSORT_VALGRIND"))
        GTEST_SKIP() << "set KATSORT_VALGRIND=1 in a build without sanitizers";
    demo();
    std::string logfil = (mappe / "valgrind.log").string();
    koersel k(
        mappe, 50, 80, {},
        {"/usr/bin/valgrind", "--leak-check=full", "--show-leak-kinds=definite,indirect,possible",
         "--errors-for-leak-kinds=definite,indirect,possible", "--error-exitcode=99",
         "--track-fds=yes", "--log-file=" + logfil});
    ASSERT_TRUE(k.vent_paa(listen_vist, 60000));
    k.skriv(ned + ned + hoejre + f1);
    ASSERT_TRUE(k.vent_paa(
        [](const vterm_screen& s) {
            return s.row(16, 17, 68).find("P R I O R I T E R I N G") != std::string::npos;
        },
        30000));
    k.skriv("TKAS");
    ASSERT_TRUE(k.vent_paa(
        [](const vterm_screen& s) {
            return s.row(47, 70, 73) == "1/4" && s.background(7, 20) == blaa;
        },
        30000));
    k.skriv("\x1b");
    int status = k.vent_paa_slut(60000);
    std::string log = laes("valgrind.log");
    ASSERT_TRUE(WIFEXITED(status)) << log;
    EXPECT_EQ(WEXITSTATUS(status), 0) << log;
    EXPECT_NE(log.find("ERROR SUMMARY: 0 errors"), std::string::npos) << log;
    // Every descriptor open at the end was there before the program started.
    for (std::size_t p = log.find("Open file descriptor"); p != std::string::npos;
         p = log.find("Open file descriptor", p + 1)) {
        std::size_t linje2 = log.find('\n', p);
        std::size_t slut = log.find('\n', linje2 + 1);
        EXPECT_NE(log.substr(linje2, slut - linje2).find("inherited from parent"),
                  std::string::npos)
            << log.substr(p, slut - p);
    }
}

namespace {

// The entries of a list text that belong to other catalogues than 1, as token lists.
std::vector<std::vector<std::string>> andre_poster(const std::string& tekst) {
    std::vector<std::vector<std::string>> poster;
    std::string token;
    auto slut_token = [&] {
        if (token.empty()) return;
        if (token == "#")
            poster.emplace_back();
        else if (!poster.empty())
            poster.back().push_back(token);
        token.clear();
    };
    for (char c : tekst) {
        if (c == ' ' || (c >= '\t' && c <= '\r'))
            slut_token();
        else
            token += c;
    }
    slut_token();
    std::vector<std::vector<std::string>> andre;
    for (auto& p : poster)
        if (p.empty() || p[0] != "1") andre.push_back(p);
    return andre;
}

// A bad input: how it is made from a catalogue of five lots, whether the list
// is saved, and part of the message on standard error.
struct daarligt_input {
    const char* navn;
    bool gemmes;
    const char* besked;
    void (*forbered)(E2e& t);
    void (*undervejs)(E2e& t) = nullptr;  // done while the program runs
};

void PrintTo(const daarligt_input& d, std::ostream* ud) { *ud << d.navn; }

std::string uden_sidste(const std::string& tekst, std::size_t antal) {
    return tekst.substr(0, tekst.size() - antal);
}

const daarligt_input daarlige_input[] = {
    {"afkortet katalog", false, "afsk\xC3\xA5ret",
     [](E2e& t) { t.skriv("katalog.txt", "# 2 A B 1\r\n# 1 Kunst 12.03"); }},
    {"afkortet liste", false, "har kun 4 af 5",
     [](E2e& t) {
         std::string liste = t.laes("kat_emneliste.txt");
         t.skriv("kat_emneliste.txt", liste.substr(0, liste.find("# 1 105")) + "# 1 105");
     }},
    {"afkortet emne", true, "emne.txt",
     [](E2e& t) { t.skriv("emne.txt", uden_sidste(t.laes("emne.txt"), 30)); }},
    {"0x1A midt i listen", false, "0x1A",
     [](E2e& t) {
         t.skriv("kat_emneliste.txt", t.laes("kat_emneliste.txt") + "\r\n\x1A# 4 1 1\r\n");
     }},
    {"NUL-bytes", true, "",
     [](E2e& t) {
         std::string e = t.laes("emne.txt");
         e[e.find("Titel 2") + 2] = '\0';
         t.skriv("emne.txt", e);
     }},
    {"token paa 10 MB", true, "",
     [](E2e& t) {
         t.skriv("emne.txt", "# 9 x " + std::string(10 << 20, 'Q') + " \xA4 " + t.laes("emne.txt"));
     }},
    {"5000 emner", false, "5000",
     [](E2e& t) {
         std::string l = "# 2 7 7\r\n";
         for (int i = 1; i <= 5000; ++i)
             l += "# 1 " + std::to_string(i) + " " + std::to_string(i) + "\r\n";
         t.skriv("katalog.txt", "# 1 Kunst 12.03.1998 5000");
         t.skriv("kat_emneliste.txt", l);
     }},
    {"emner i forkert raekkefoelge", true, "r\xC3\xA6kkef\xC3\xB8lge",
     [](E2e& t) {
         std::string e = t.laes("emne.txt");
         std::size_t p3 = e.find("# 103 "), p4 = e.find("# 104 "), p5 = e.find("# 105 ");
         t.skriv("emne.txt",
                 e.substr(0, p3) + e.substr(p4, p5 - p4) + e.substr(p3, p4 - p3) + e.substr(p5));
     }},
    {"katalog mangler", false, "findes ikke",
     [](E2e& t) { t.skriv("katalog.txt", "# 2 A B 1\r\n#1 Kunst 12.03.1998 5\r\n"); }},
    {"tom liste", false, "har kun 0 af 5", [](E2e& t) { t.skriv("kat_emneliste.txt", ""); }},
    {"skaeve vaerdier", true, "",
     [](E2e& t) {
         const char sjov[] =
             "# 5 007 +5\r\n# 6 0x1F 99999999999\r\n# 7 \x01\x02\xFF\x7F \xC3\x28\r\n";
         t.skriv("kat_emneliste.txt",
                 std::string(sjov, sizeof sjov - 1) + t.laes("kat_emneliste.txt"));
     }},
    {"listen slettet undervejs", false, "kan ikke l\xC3\xA6ses", [](E2e&) {},
     [](E2e& t) { fs::remove(t.mappe / "kat_emneliste.txt"); }},
};

}  // namespace

class DaarligtInput : public E2e, public ::testing::WithParamInterface<daarligt_input> {};

TEST_P(DaarligtInput, EndsAtOnceSaysWhyAndKeepsTheList) {
    const auto& t = GetParam();
    katalog(5);
    t.forbered(*this);
    const std::string foer = laes("kat_emneliste.txt");
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(hovedskaerm, 20000));
    if (t.undervejs) t.undervejs(*this);
    k.skriv("\x1b");
    int status = k.vent_paa_slut(10000);  // -1 (still running) is no exit
    ASSERT_TRUE(WIFEXITED(status)) << t.navn;
    EXPECT_EQ(WEXITSTATUS(status), t.gemmes ? 0 : 1) << t.navn;
    if (*t.besked) {
        EXPECT_NE(k.alt_output().find(t.besked), std::string::npos) << t.navn;
    }
    EXPECT_FALSE(fs::exists(mappe / "kat_emneliste2.txt")) << t.navn;
    if (t.undervejs) {
        EXPECT_FALSE(fs::exists(mappe / "kat_emneliste.txt"));
        return;
    }
    std::string efter = laes("kat_emneliste.txt");
    if (!t.gemmes) {
        EXPECT_TRUE(efter == foer) << t.navn;
    } else {
        EXPECT_EQ(andre_poster(efter), andre_poster(foer)) << t.navn;
    }
}

INSTANTIATE_TEST_SUITE_P(Korpus, DaarligtInput, ::testing::ValuesIn(daarlige_input),
                         [](const ::testing::TestParamInfo<daarligt_input>& i) {
                             std::string n = i.param.navn;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

TEST_F(E2e, ControlBytesInTheCatalogueShowAsGlyphsAndChangeNothing) {
    skriv("katalog.txt", "# 1 \x1b[31m 12.03.1998 1");
    skriv("kat_emneliste.txt", "# 1 4 1");
    std::string emne = "# 4 x \x1b]0;hacked\x07\x1b[2J\x08\x08x \xA4";
    for (int k = 2; k <= 15; ++k) emne += " v \xA4";
    skriv("emne.txt", emne);
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(listen_vist));
    auto& s = k.skaerm();
    // ESC is ←, BEL •, BS ◘; nothing was cleared and the header kept its colour.
    EXPECT_EQ(s.row(5, 16, 32), "\u2190]0;hacked\u2022\u2190[2J\u25D8");  // cut at 16
    EXPECT_EQ(s.row(1, 42, 47), "\u2190[31m");
    EXPECT_EQ(s.foreground(1, 48), hvid);
    EXPECT_EQ(k.alt_output().find("\x1b]"), std::string::npos);
    EXPECT_EQ(k.alt_output().find("\x1b[31m"), std::string::npos);
    EXPECT_EQ(k.alt_output().find('\b'), std::string::npos);
    EXPECT_EQ(s.row(0, 0, 1), "\u2554");  // the screen was not cleared
    k.skriv("\x1b");
    EXPECT_EQ(k.vent_paa_slut(), 0);
}

TEST_F(E2e, FortyOneAndFortyTwoLots) {
    katalog(41);
    {
        koersel k(mappe);
        ASSERT_TRUE(k.vent_paa(listen_vist));
        std::string taster;
        for (int i = 0; i < 41; ++i) taster += ned;  // the last Down at row 46 does nothing
        k.skriv(taster);
        ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.background(45, 20) == blaa; }));
        EXPECT_EQ(k.skaerm().row(45, 16, 24), "Titel 41");
        EXPECT_EQ(k.skaerm().row(47, 70, 73), "1/1");
        k.skriv("\x1b");
        EXPECT_EQ(k.vent_paa_slut(), 0);
    }
    katalog(42);
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(listen_vist));
    std::string taster;
    for (int i = 0; i < 14; ++i) taster += ned;  // row 20
    k.skriv(taster + hoejre);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return s.row(47, 70, 73) == "2/2" && s.background(19, 20) == blaa;
    }));
    auto& s = k.skaerm();
    EXPECT_EQ(s.row(5, 16, 24), "Titel 42");
    EXPECT_EQ(s.row(19, 2, 78), std::string(76, ' '));
    taster.clear();
    for (int i = 0; i < 20; ++i) taster += op;  // walks back to row 6, then Up to page 1's row 46
    k.skriv(taster);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.row(47, 70, 73) == "1/2"; }));
    k.skriv("\x1b");
    EXPECT_EQ(k.vent_paa_slut(), 0);
}
