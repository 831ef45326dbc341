// Replacing the list: whatever stands at the side file's name is never
// followed or written into, and the list keeps its owner, group, mode,
// ACLs and extended attributes, its symbolic link and the news about its
// hard links.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "katalogmappe.h"
#include "sikker_fil.h"

namespace {

class SikkerFil : public katalogmappe {
   protected:
    erstatning gem(std::string_view indhold, const fil_id* laest = nullptr) {
        return erstat_fil("kat_emneliste.txt", "kat_emneliste2.txt", indhold, laest);
    }
    static bool har(const std::vector<std::string>& tekster, const std::string& del) {
        for (const auto& t : tekster)
            if (t.find(del) != std::string::npos) return true;
        return false;
    }
    static struct stat lstat_af(const std::string& navn) {
        struct stat st {};
        ::lstat(navn.c_str(), &st);
        return st;
    }
};

// A POSIX ACL as the system stores it: the owner rw, user `bruger` r, the
// group r, mask r, others nothing.
std::string acl_med_bruger(std::uint32_t bruger) {
    std::string a;
    auto tal = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) a += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    tal(2, 4);  // version
    const std::uint32_t ingen = 0xFFFFFFFF;
    struct {
        std::uint16_t tag, ret;
        std::uint32_t id;
    } poster[] = {
        {0x01, 6, ingen}, {0x02, 4, bruger}, {0x04, 4, ingen}, {0x10, 4, ingen}, {0x20, 0, ingen}};
    for (auto& p : poster) {
        tal(p.tag, 2);
        tal(p.ret, 2);
        tal(p.id, 4);
    }
    return a;
}

}  // namespace

TEST_F(SikkerFil, ALinkAtTheSideFileIsNeverFollowed) {
    // A link to another file: that file is not written and the list stays.
    skriv("kat_emneliste.txt", "gammel");
    skriv("andet.txt", "andet");
    ASSERT_EQ(::symlink("andet.txt", "kat_emneliste2.txt"), 0);
    erstatning r = gem("ny");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.fejl.find("kat_emneliste2.txt"), std::string::npos) << r.fejl;
    EXPECT_EQ(laes("andet.txt"), "andet");
    EXPECT_EQ(laes("kat_emneliste.txt"), "gammel");
    EXPECT_FALSE(S_ISLNK(lstat_af("kat_emneliste.txt").st_mode));
    EXPECT_TRUE(S_ISLNK(lstat_af("kat_emneliste2.txt").st_mode));  // left as it was

    // A link to the list itself: the list neither becomes a link nor loses its text.
    ASSERT_EQ(::unlink("kat_emneliste2.txt"), 0);
    ASSERT_EQ(::symlink("kat_emneliste.txt", "kat_emneliste2.txt"), 0);
    EXPECT_FALSE(gem("ny").ok);
    EXPECT_EQ(laes("kat_emneliste.txt"), "gammel");
    EXPECT_FALSE(S_ISLNK(lstat_af("kat_emneliste.txt").st_mode));
}

TEST_F(SikkerFil, AFifoOrAFolderAtTheSideFileIsRefusedWithoutWaiting) {
    skriv("kat_emneliste.txt", "gammel");
    ASSERT_EQ(::mkfifo("kat_emneliste2.txt", 0644), 0);
    EXPECT_FALSE(gem("ny").ok);  // opening a FIFO for writing would wait for a reader
    EXPECT_TRUE(S_ISFIFO(lstat_af("kat_emneliste2.txt").st_mode));
    ASSERT_EQ(::unlink("kat_emneliste2.txt"), 0);
    ASSERT_EQ(::mkdir("kat_emneliste2.txt", 0755), 0);
    EXPECT_FALSE(gem("ny").ok);
    EXPECT_EQ(laes("kat_emneliste.txt"), "gammel");
}

TEST_F(SikkerFil, AStaleSideFileIsRemovedAndItsOtherLinksKeepTheirText) {
    skriv("kat_emneliste.txt", "gammel");
    skriv("kopi.txt", "kopiens tekst");
    ASSERT_EQ(::link("kopi.txt", "kat_emneliste2.txt"), 0);  // a hard link: written through before
    erstatning r = gem("ny");
    ASSERT_TRUE(r.ok) << r.fejl;
    EXPECT_EQ(laes("kat_emneliste.txt"), "ny");
    EXPECT_EQ(laes("kopi.txt"), "kopiens tekst");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}

TEST_F(SikkerFil, ModeAclsAndExtendedAttributesAreKept) {
    skriv("kat_emneliste.txt", "gammel");
    ASSERT_EQ(::chmod("kat_emneliste.txt", 0640), 0);
    ASSERT_EQ(::setxattr("kat_emneliste.txt", "user.katalog", "forår", 6, 0), 0);
    const std::string acl = acl_med_bruger(4242);
    bool med_acl =
        ::setxattr("kat_emneliste.txt", "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
    if (!med_acl) {
        EXPECT_EQ(errno, EOPNOTSUPP) << "ACLs are there but could not be set";
    }
    struct stat foer = lstat_af("kat_emneliste.txt");
    erstatning r = gem("ny");
    ASSERT_TRUE(r.ok) << r.fejl;
    struct stat efter = lstat_af("kat_emneliste.txt");
    EXPECT_NE(efter.st_ino, foer.st_ino);  // a new file took its place
    EXPECT_EQ(efter.st_mode & 07777, foer.st_mode & 07777);
    EXPECT_EQ(efter.st_uid, foer.st_uid);
    EXPECT_EQ(efter.st_gid, foer.st_gid);
    char v[16] = {};
    EXPECT_EQ(::getxattr("kat_emneliste.txt", "user.katalog", v, sizeof v), 6);
    EXPECT_STREQ(v, "forår");
    if (med_acl) {
        std::string igen(64, '\0');
        ssize_t n =
            ::getxattr("kat_emneliste.txt", "system.posix_acl_access", igen.data(), igen.size());
        ASSERT_GT(n, 0);
        igen.resize(static_cast<std::size_t>(n));
        EXPECT_EQ(igen, acl);
    }
    EXPECT_TRUE(r.bemaerkninger.empty()) << r.bemaerkninger.front();
}

TEST_F(SikkerFil, OwnerAndGroupOfAColleagueAreKept) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    skriv("kat_emneliste.txt", "gammel");
    ASSERT_EQ(::chown("kat_emneliste.txt", 4711, 4712), 0);
    ASSERT_EQ(::chmod("kat_emneliste.txt", 0640), 0);
    ASSERT_TRUE(gem("ny").ok);
    struct stat efter = lstat_af("kat_emneliste.txt");
    EXPECT_EQ(efter.st_uid, 4711u);
    EXPECT_EQ(efter.st_gid, 4712u);
    EXPECT_EQ(efter.st_mode & 07777, 0640u);
}

TEST_F(SikkerFil, ALinkedListIsReplacedInItsOwnFolder) {
    ASSERT_EQ(::mkdir("delt", 0755), 0);
    skriv("delt/liste.txt", "gammel");
    ASSERT_EQ(::symlink("delt/liste.txt", "kat_emneliste.txt"), 0);
    erstatning r = gem("ny");
    ASSERT_TRUE(r.ok) << r.fejl;
    EXPECT_TRUE(S_ISLNK(lstat_af("kat_emneliste.txt").st_mode));
    EXPECT_EQ(laes("delt/liste.txt"), "ny");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
    EXPECT_FALSE(findes("delt/kat_emneliste2.txt"));
}

TEST_F(SikkerFil, OtherHardLinksOfTheListAreReported) {
    skriv("kat_emneliste.txt", "gammel");
    ASSERT_EQ(::link("kat_emneliste.txt", "sikkerhedskopi.txt"), 0);
    erstatning r = gem("ny");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(laes("sikkerhedskopi.txt"), "gammel");
    EXPECT_TRUE(har(r.bemaerkninger, "h\x86rde links, 2 i alt")) << r.bemaerkninger.size();
}

TEST_F(SikkerFil, AListChangedSinceItWasReadIsNotReplaced) {
    skriv("kat_emneliste.txt", "gammel");
    int fd = ::open("kat_emneliste.txt", O_RDONLY);
    fil_id laest = id_for(fd);
    ::close(fd);
    skriv("kat_emneliste.txt", "en kollegas udgave");
    erstatning r = gem("ny", &laest);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(laes("kat_emneliste.txt"), "en kollegas udgave");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}
