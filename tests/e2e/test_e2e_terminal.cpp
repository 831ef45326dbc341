// The terminal under hostile conditions: odd environments, signals at any
// moment, stops that the kernel discards, and values that scroll the screen
// hundreds of thousands of times.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "e2e.h"

using namespace e2e;

namespace {

std::size_t antal(const std::string& tekst, const std::string& del, std::size_t fra = 0) {
    std::size_t n = 0;
    for (std::size_t p = tekst.find(del, fra); p != std::string::npos; p = tekst.find(del, p + 1))
        ++n;
    return n;
}

const std::string kitty_tryk = "\x1b[>1u", kitty_pop = "\x1b[<u", fuld_tegning = "\x1b[2J";

// A field of /proc/<pid>/<fil>: the process state from "stat", the system
// call number (or "running") from "syscall". Empty when it can't be read.
std::string proc_felt(pid_t pid, const char* fil) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/" + fil);
    std::string linje;
    std::getline(f, linje);
    if (std::string(fil) == "stat") {
        std::size_t p = linje.rfind(')');
        return p == std::string::npos || p + 2 >= linje.size() ? "" : linje.substr(p + 2, 1);
    }
    return linje.substr(0, linje.find(' '));
}

// Each resize notice paints the whole screen; nobody reads it, until the
// program waits in the middle of writing for the terminal to take more.
bool venter_paa_terminalen(koersel& k) {
    const std::string venter = std::to_string(SYS_ppoll);
    auto slut = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < slut) {
        if (proc_felt(k.pid(), "syscall") == venter && proc_felt(k.pid(), "stat") == "S")
            return true;
        kill(k.pid(), SIGWINCH);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

// The labels, white on light grey, are dark grey on the terminal's own grey:
// on an eight-colour terminal black in bold.
bool otte_farver(const vterm_screen& s) { return s.bold(1, 7) && s.foreground(1, 7) == sort_; }
bool seksten_farver(const vterm_screen& s) {
    return !s.bold(1, 7) && s.foreground(1, 7) == moerkegraa;
}

}  // namespace

// TERM names a file below the terminfo folders; a name with a path in it, or
// an entry that is a device or a FIFO, must neither hang nor fill the memory.
TEST_F(E2e, TermAndTerminfoThatAreNoTerminfoFiles) {
    katalog(3);
    fs::path fifo_mappe = mappe / "fifo", nul_mappe = mappe / "nul";
    fs::create_directories(fifo_mappe / "x");
    fs::create_directories(nul_mappe / "x");
    ASSERT_EQ(mkfifo((fifo_mappe / "x" / "xterm").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", nul_mappe / "x" / "xterm");
    struct tilfaelde {
        std::vector<std::pair<std::string, std::string>> miljoe;
        bool otte;  // the entry found after the bad one has eight colours
    } tilfaeldene[] = {
        {{{"TERM", "../../../../dev/zero"}}, false},
        {{{"TERM", std::string(5000, 'x')}}, false},
        {{{"TERM", "xterm"}, {"TERMINFO", fifo_mappe.string()}}, true},
        {{{"TERM", "xterm"}, {"TERMINFO", nul_mappe.string()}}, true},
        {{{"TERM", "xterm"}, {"TERMINFO_DIRS", nul_mappe.string() + ":" + fifo_mappe.string()}},
         true},
        {{{"TERM", "xterm"}}, true},
    };
    for (const auto& t : tilfaeldene) {
        std::string navn = t.miljoe.back().first + "=" + t.miljoe.back().second.substr(0, 40);
        koersel k(mappe, start_valg{.miljoe = t.miljoe});
        ASSERT_TRUE(k.vent_paa(listen_vist)) << navn;
        EXPECT_TRUE(t.otte ? otte_farver(k.skaerm()) : seksten_farver(k.skaerm())) << navn;
        k.skriv("\x1b");
        EXPECT_EQ(k.vent_paa_slut(), 0) << navn;
    }
}

// The colours that each kind of terminal is sent: the PC console's shades
// where the terminal says it can show them, its own sixteen (or eight)
// else, and reverse video and bold where it has none. Only a terminal that
// says it knows synchronized output is sent it.
TEST_F(E2e, TheLabelsComeInThePcConsolesGreyWhereTheTerminalHasIt) {
    katalog(3);
    constexpr int egen = -1;  // the terminal's own colour
    const std::string graa_256 = "48;5;248", graa_direkte = "48;2;170;170;170";
    const struct {
        const char* term;
        const char* colorterm;
        std::string graa_baggrund;        // how light grey behind the labels is asked for
        std::vector<std::string> aldrig;  // what is never sent
        int etiket_baggrund, etiket;      // "Katalog nr:" as libvterm reports it
        bool fed;
        bool synkron = true;
    } tilfaeldene[] = {
        {"xterm-256color", "", graa_256, {"48;2;", "[47m"}, lysgraa, hvid, false},
        {"xterm-256color", "truecolor", graa_direkte, {"48;5;", "[47m"}, lysgraa, hvid, false},
        {"xterm", "24bit", graa_direkte, {"48;5;", "[47m"}, lysgraa, hvid, false},
        {"xterm", "", ";47m", {"48;5;", "48;2;", "97m"}, lysgraa, sort_, true},
        {"xterm-16color", "", ";47m", {"48;5;", "48;2;", "97m"}, lysgraa, moerkegraa, false},
        {"xterm-mono", "", "\x1b[0;1m", {"47m", "44m", "42m", "37m", "34m"}, egen, egen, true},
        // Not bold; a terminal that doesn't know synchronized output.
        {"xterm-256color", "", graa_256, {"\x1b[?2026h", "\x1b[?2026l"}, lysgraa, hvid, 0, 0},
    };
    for (const auto& t : tilfaeldene) {
        const std::string navn = std::string(t.term) + " COLORTERM=" + t.colorterm +
                                 (t.synkron ? "" : " without synchronized output");
        koersel k(mappe, start_valg{.miljoe = {{"TERM", t.term}, {"COLORTERM", t.colorterm}},
                                    .synkron = t.synkron});
        // The first lot highlighted: in blue, or in reverse video.
        ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
            return hovedskaerm(s) && (s.background(5, 2) == blaa || s.reverse(5, 2));
        })) << navn;
        const std::string& ud = k.alt_output();
        EXPECT_NE(ud.find(t.graa_baggrund), std::string::npos) << navn;
        for (const auto& a : t.aldrig) EXPECT_EQ(ud.find(a), std::string::npos) << navn << a;
        const vterm_screen& s = k.skaerm();
        EXPECT_EQ(s.background(1, 7), t.etiket_baggrund) << navn;
        EXPECT_EQ(s.foreground(1, 7), t.etiket) << navn;
        EXPECT_EQ(s.bold(1, 7), t.fed) << navn;
        EXPECT_EQ(s.reverse(5, 2), t.etiket == egen) << navn;
        k.skriv("\x1b");
        EXPECT_EQ(k.vent_paa_slut(), 0) << navn;
    }
}

TEST_F(E2e, NoNulByteReachesTheTerminal) {
    demo();
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(listen_vist));
    k.skriv(ned + f1);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return s.row(16, 17, 68).find("P R I O R I T E R I N G") != std::string::npos;
    }));
    k.skriv("TKAS");
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) {
        return hovedskaerm(s) && s.row(47, 70, 73) == "1/4" && s.background(6, 20) == blaa;
    }));
    k.skriv("\x1b");
    ASSERT_EQ(k.vent_paa_slut(), 0);
    EXPECT_EQ(k.alt_output().find('\0'), std::string::npos);
}

// SIGCONT also comes without a stop before it (kill -CONT, or a second one);
// the keyboard mode is pushed once, however many there are.
TEST_F(E2e, ContinueAgainAndAgainPushesTheKeyboardModeOnce) {
    katalog(3);
    koersel k(mappe);
    k.svar_som_kitty();
    ASSERT_TRUE(k.vent_paa(listen_vist));
    ASSERT_EQ(antal(k.alt_output(), kitty_tryk), 1u);
    std::size_t foer = k.alt_output().size();
    for (int i = 0; i < 5; ++i) kill(k.pid(), SIGCONT);
    ASSERT_TRUE(k.vent_paa([&](const vterm_screen& s) {
        return listen_vist(s) && k.alt_output().find(fuld_tegning, foer) != std::string::npos;
    }));
    k.skriv(ned);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.background(6, 20) == blaa; }));
    k.skriv("\x1b[27u");
    ASSERT_EQ(k.vent_paa_slut(), 0);
    EXPECT_EQ(antal(k.alt_output(), kitty_tryk), antal(k.alt_output(), kitty_pop));
}

// Here the program leads the pty's session, so its process group is orphaned
// and the kernel discards the stop: the program must not go on in the
// terminal's cooked mode.
TEST_F(E2e, StopThatDoesNotHappenLeavesTheTerminalOurs) {
    katalog(3);
    koersel k(mappe);
    k.svar_som_kitty();
    ASSERT_TRUE(k.vent_paa(listen_vist));
    std::size_t foer = k.alt_output().size();
    kill(k.pid(), SIGTSTP);
    // Given back for the stop, then taken again and painted anew.
    ASSERT_TRUE(k.vent_paa([&](const vterm_screen& s) {
        std::size_t givet = k.alt_output().find("\x1b[?7h", foer);
        return givet != std::string::npos &&
               k.alt_output().find(fuld_tegning, givet) != std::string::npos && listen_vist(s);
    }));
    termios t = k.terminal_tilstand();
    EXPECT_FALSE(t.c_lflag & ECHO);
    EXPECT_FALSE(t.c_lflag & ICANON);
    EXPECT_EQ(antal(k.alt_output(), kitty_tryk), antal(k.alt_output(), kitty_pop) + 1);
    k.skriv(ned);
    ASSERT_TRUE(k.vent_paa([](const vterm_screen& s) { return s.background(6, 20) == blaa; }));
    k.skriv("\x1b[27u");
    ASSERT_EQ(k.vent_paa_slut(), 0);
    EXPECT_EQ(antal(k.alt_output(), kitty_tryk), antal(k.alt_output(), kitty_pop));
}

// Signals that arrive while an update is being written wait for its end,
// but for those that end the program: the terminal never gets synchronized
// output left on, nor a sequence cut by the take after a continue, and a
// terminate ends the program at once, its restore ending the update it cut
// short. The pty is not read until the program waits in the middle of
// writing an update, so the signals are sure to arrive there.
TEST_F(E2e, SignalsDuringAnUpdateWaitForItsEndButThoseThatEndTheProgram) {
    katalog(50);
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(listen_vist));
    if (proc_felt(k.pid(), "syscall").empty()) GTEST_SKIP() << "no /proc/<pid>/syscall";
    auto til_den_venter = [&] { return venter_paa_terminalen(k); };
    ASSERT_TRUE(til_den_venter()) << "the program never waited to write";
    for (int sig : {SIGCONT, SIGWINCH, SIGCONT}) kill(k.pid(), sig);
    std::size_t foer = k.alt_output().size();
    ASSERT_TRUE(k.vent_paa([&](const vterm_screen& s) {
        return listen_vist(s) && k.alt_output().find(fuld_tegning, foer) != std::string::npos;
    }));
    ASSERT_TRUE(til_den_venter()) << "the program never waited to write";
    kill(k.pid(), SIGTERM);
    int status = k.vent_paa_slut(5000);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);

    const std::string& ud = k.alt_output();
    const std::string start = "\x1b[?2026h", stop = "\x1b[?2026l";
    std::size_t opdateringer = 0;
    for (std::size_t p = ud.find(start); p != std::string::npos; p = ud.find(start, p + 1)) {
        ++opdateringer;
        std::size_t s = ud.find(stop, p);
        ASSERT_NE(s, std::string::npos) << "update " << opdateringer << " never ends";
        std::string opdatering = ud.substr(p + start.size(), s - p - start.size());
        for (const char* fremmed : {"\x1b[?2026h", "\x1b[?7h", "\x1b[?7l", "\x1b[>1u", "\x1b[<u"})
            ASSERT_EQ(opdatering.find(fremmed), std::string::npos)
                << "update " << opdateringer << " holds " << fremmed + 1;
    }
    EXPECT_GT(opdateringer, 3u);
    // The restore is the very last thing written, whole.
    std::size_t gendan = ud.rfind("\x1b[0m\x1b[?7h\x1b[?25h\x1b[");
    ASSERT_NE(gendan, std::string::npos);
    EXPECT_GT(gendan, ud.rfind(stop));
    EXPECT_TRUE(ud.ends_with("\x1b[50H\x1b[2K"));  // on the last row, blanked
    termios efter = k.terminal_tilstand();
    EXPECT_EQ(efter.c_lflag, k.tilstand_foer().c_lflag);
}

// A terminal that takes no output (Scroll Lock, a stalled link) holds up
// neither the sort and save the operator typed nor the program's end: the
// list is saved while nobody reads the terminal.
TEST_F(E2e, AStalledTerminalHoldsUpNeitherTheSaveNorTheEnd) {
    otte_emner();
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(listen_vist));
    if (proc_felt(k.pid(), "syscall").empty()) GTEST_SKIP() << "no /proc/<pid>/syscall";
    ASSERT_TRUE(venter_paa_terminalen(k)) << "the program never waited to write";
    k.skriv(f1 + "t" + "i" + "\x1b");
    bool gemt = false;
    for (int i = 0; i < 300 && !gemt; ++i) {
        gemt = laes("kat_emneliste.txt") == otte_emner_gemt;
        if (!gemt) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(gemt) << "the save waited for the terminal";
    EXPECT_EQ(k.vent_paa_slut(), 0);
    EXPECT_EQ(k.terminal_tilstand().c_lflag, k.tilstand_foer().c_lflag);
}

// An auction type of 20 MB wraps over the whole screen and scrolls it about
// 260000 times before the list is drawn over it.
TEST_F(E2e, HeaderValueOfTwentyMegabytes) {
    katalog(3);
    const std::size_t laengde = 20u << 20;
    std::string type(laengde, ' ');
    for (std::size_t i = 0; i < laengde; ++i) type[i] = static_cast<char>('A' + i % 26);
    skriv("katalog.txt", "# 1 " + type + " 12.03.1998 3\r\n");
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(
        [](const vterm_screen& s) {
            return s.row(47, 70, 73) == "1/1" && s.background(5, 20) == blaa;
        },
        120000));
    // The type starts at column 43 of row 2; the screen shows the rows of its
    // layout that the scrolling left, the first and the next-to-last whole.
    const std::size_t start = 80 + 42, slut = start + laengde;
    const std::size_t rullet = slut / 80 - 49;
    auto forventet = [&](int raekke) {
        std::string r;
        for (std::size_t x = 0; x < 80; ++x)
            r += static_cast<char>('A' + ((rullet + raekke) * 80 + x - start) % 26);
        return r;
    };
    auto& s = k.skaerm();
    EXPECT_EQ(s.row(0), forventet(0));
    EXPECT_EQ(s.row(48), forventet(48));
    EXPECT_EQ(s.row(49, 0, static_cast<int>(slut % 80)), forventet(49).substr(0, slut % 80));
    EXPECT_EQ(s.row(49, static_cast<int>(slut % 80)), std::string(80 - slut % 80, ' '));
    EXPECT_EQ(s.row(1, 61, 71), "12.03.1998");
    k.skriv("\x1b");
    EXPECT_EQ(k.vent_paa_slut(60000), 0);
}

// Under a Latin-1 locale the letters go as Latin-1 bytes and the frame
// through the line-drawing set: not a single UTF-8 sequence.
TEST_F(E2e, ALatin1LocaleGetsLatin1AndLineDrawing) {
    const std::string lokaler = mappe.string() + "-lokaler";
    std::string fejl;
    fs::create_directories(lokaler);
    if (uden_terminal({"/usr/bin/localedef", "-i", "da_DK", "-f", "ISO-8859-1",
                       lokaler + "/da_DK.ISO-8859-1"},
                      fejl) != 0) {
        fs::remove_all(lokaler);
        GTEST_SKIP() << "no Latin-1 locale can be made here: " << fejl;
    }
    // Three lots in the list where katalog.txt says two: a message after the
    // screen with "å" in it, in Latin-1 as well.
    katalog(3);
    skriv("katalog.txt", "# 1 K D 2\r\n");
    std::string emner = laes("emne.txt");
    emner.replace(emner.find("Titel 1"), 7, "S\x9Brens 1");  // ø in code page 850
    skriv("emne.txt", emner);
    // A terminal with DEC's line drawing, and one (tmux, screen) that switches
    // it with SO and SI once enacs has made it ready.
    const struct {
        const char* term;
        std::string klargoer, ind, ud;  // enacs, smacs, rmacs
    } tilfaeldene[] = {{"xterm-256color", "", "\x1b(0", "\x1b(B"},
                       {"screen", "\x1b(B\x1b)0", "\x0e", "\x0f"}};
    for (const auto& t : tilfaeldene) {
        koersel k(mappe, start_valg{.miljoe = {{"TERM", t.term},
                                               {"LOCPATH", lokaler},
                                               {"LC_ALL", ""},
                                               {"LC_CTYPE", ""},
                                               {"LANG", "da_DK.ISO-8859-1"}}});
        const bool vist = k.vent_paa(listen_vist);
        k.skriv("\x1b");
        const int slut = k.vent_paa_slut();
        ASSERT_TRUE(vist) << t.term;
        EXPECT_EQ(slut, 1 << 8) << t.term;
        const std::string& ud = k.alt_output();
        EXPECT_NE(ud.find("S\xF8rens 1"), std::string::npos) << t.term;
        EXPECT_NE(ud.find("s\xE5 ingen emner g\xE5r tabt"), std::string::npos) << t.term;
        EXPECT_NE(ud.find(t.ind), std::string::npos) << t.term;
        EXPECT_LT(ud.find(t.klargoer), ud.find(t.ind)) << t.term;
        EXPECT_NE(ud.find("\x1b[7m \x1b[27m"), std::string::npos) << t.term;  // the loading bar
        EXPECT_EQ(ud.find("\xC3"), std::string::npos) << t.term;              // ø and å in UTF-8
        EXPECT_EQ(ud.find("\xE2\x94"), std::string::npos) << t.term;  // single lines in UTF-8
        EXPECT_EQ(ud.find("\xE2\x95"), std::string::npos) << t.term;  // double lines in UTF-8
        // Every update leaves the line-drawing set before it ends.
        for (std::size_t p = ud.find(t.ind); p != std::string::npos; p = ud.find(t.ind, p + 1)) {
            const std::size_t ende = ud.find("\x1b[?2026l", p);
            ASSERT_NE(ende, std::string::npos);
            EXPECT_LT(ud.rfind(t.ud, ende), ende);
            EXPECT_GT(ud.rfind(t.ud, ende), ud.rfind(t.ind, ende));
        }
    }
    fs::remove_all(lokaler);
}
