// Running one command line through the system's command interpreter.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "console.h"

extern char** environ;

namespace {
const char* const interpreter = "/bin/sh";
}

int run_shell_command(const char* command) {
    if (!command) return ::access(interpreter, X_OK) == 0 ? 1 : 0;
    std::fflush(nullptr);  // what the program wrote comes before the command's output
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(command),
                    nullptr};
    pid_t child;
    if (posix_spawn(&child, interpreter, nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}
