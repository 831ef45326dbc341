// Running one command line through the system's command interpreter.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "console.h"

extern char** environ;

namespace {
const char* const fortolker = "/bin/sh";
}

int run_shell_command(const char* kommando) {
    if (!kommando) return ::access(fortolker, X_OK) == 0 ? 1 : 0;
    std::fflush(nullptr);  // what the program wrote comes before the command's output
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(kommando),
                    nullptr};
    pid_t barn;
    if (posix_spawn(&barn, fortolker, nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    while (::waitpid(barn, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}
