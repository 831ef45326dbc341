// Running one command line through the Windows command interpreter.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "console.h"
#include "interpreter.h"

namespace {

std::wstring environment(const wchar_t* name, bool& set) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    set = size > 0;
    if (!set) return {};
    std::wstring value(size, L'\0');
    DWORD n = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(n < size ? n : 0);
    return value;
}

bool is_file(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring interpreter() {
    bool comspec_set = false, path_set = false;
    std::wstring comspec = environment(L"COMSPEC", comspec_set);
    std::wstring path = environment(L"PATH", path_set);
    return console_detail::find_interpreter(comspec_set ? &comspec : nullptr, path, is_file);
}

// The command in the ANSI code page, as the C library's system() takes it.
std::wstring wide(const char* text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

}  // namespace

int run_shell_command(const char* command) {
    std::wstring program = interpreter();
    if (!command) return program.empty() ? 0 : 1;
    if (program.empty()) return -1;
    std::fflush(nullptr);  // what the program wrote comes before the command's output
    std::wstring line = console_detail::interpreter_command_line(program, wide(command));
    std::vector<wchar_t> writable(line.begin(), line.end());
    writable.push_back(L'\0');
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &start, &child))
        return -1;
    CloseHandle(child.hThread);
    DWORD code = 0;
    bool ended = WaitForSingleObject(child.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hProcess);
    return ended ? static_cast<int>(code) : -1;
}
