// Finding the Windows command interpreter and its command line: COMSPEC,
// else CMD.EXE in the current folder, else along PATH.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "interpreter.h"

using console_detail::find_interpreter;
using console_detail::interpreter_command_line;

namespace {

// A file system with these files; remembers what was asked, in order.
struct files {
    std::set<std::wstring> present;
    std::vector<std::wstring> asked;
    std::wstring find(const std::wstring* comspec, std::wstring_view path) {
        return find_interpreter(comspec, path, [this](const std::wstring& p) {
            asked.push_back(p);
            return present.count(p) > 0;
        });
    }
};

}  // namespace

TEST(Interpreter, ComspecWhenItIsSet) {
    files f{{L"C:\\Windows\\system32\\cmd.exe", L"CMD.EXE"}, {}};
    std::wstring comspec = L"C:\\Windows\\system32\\cmd.exe";
    EXPECT_EQ(f.find(&comspec, L"C:\\bin"), comspec);
    // Set, but nothing there: no interpreter, and no search elsewhere.
    std::wstring missing = L"D:\\gone\\cmd.exe";
    f.asked.clear();
    EXPECT_EQ(f.find(&missing, L"C:\\bin"), L"");
    EXPECT_EQ(f.asked, std::vector<std::wstring>{missing});
    // Empty is unset.
    std::wstring empty;
    EXPECT_EQ(f.find(&empty, L""), L"CMD.EXE");
}

TEST(Interpreter, TheCurrentFolderThenEachFolderOfPath) {
    files f{{L"D:\\tools\\CMD.EXE", L"E:\\x;y\\CMD.EXE"}, {}};
    EXPECT_EQ(f.find(nullptr, L"C:\\bin;;D:\\tools\\;D:\\tools"), L"D:\\tools\\CMD.EXE");
    EXPECT_EQ(f.asked,
              (std::vector<std::wstring>{L"CMD.EXE", L"C:\\bin\\CMD.EXE", L"D:\\tools\\CMD.EXE"}));
    // A quoted folder keeps its semicolon.
    EXPECT_EQ(f.find(nullptr, L"\"E:\\x;y\";C:\\bin"), L"E:\\x;y\\CMD.EXE");
    f.present.insert(L"CMD.EXE");
    EXPECT_EQ(f.find(nullptr, L"D:\\tools"), L"CMD.EXE");
    f.present.clear();
    EXPECT_EQ(f.find(nullptr, L"C:\\bin;D:/x/"), L"");
    EXPECT_EQ(f.asked.back(), L"D:/x/CMD.EXE");
}

TEST(Interpreter, TheCommandFollowsSlashCAsItIs) {
    EXPECT_EQ(interpreter_command_line(L"C:\\Windows\\system32\\cmd.exe",
                                       L"copy \"a b.txt\" c.txt & exit 3"),
              L"\"C:\\Windows\\system32\\cmd.exe\" /c copy \"a b.txt\" c.txt & exit 3");
    EXPECT_EQ(interpreter_command_line(L"CMD.EXE", L""), L"\"CMD.EXE\" /c ");
}
