// run_shell_command: through /bin/sh, waiting for the command's end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "console.h"
#include "files.h"

TEST(Shell, RunsThroughTheShellAndReturnsTheExitCode) {
    EXPECT_EQ(run_shell_command(nullptr), 1);
    EXPECT_EQ(run_shell_command("exit 3"), 3);
    EXPECT_EQ(run_shell_command("test \"$(echo a  b)\" = 'a b'"), 0);
    const std::string folder = make_temp_folder("katsort-sh-").string();
    ASSERT_FALSE(folder.empty());
    std::string cmd = "cd " + folder + " && echo x > a && mv a b";
    EXPECT_EQ(run_shell_command(cmd.c_str()), 0);
    EXPECT_EQ(access((folder + "/b").c_str(), F_OK), 0);
    EXPECT_EQ(run_shell_command(("rm -r " + folder).c_str()), 0);
}
