// The Windows command interpreter that run_shell_command starts, and its
// command line. Pure, so it is tested everywhere.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace console_detail {

// The interpreter COMSPEC names (`comspec` null or empty when it is unset),
// else CMD.EXE in the current folder, else in the first folder of `path`
// (PATH, folders between semicolons) that has it; empty when there is none.
std::wstring find_interpreter(const std::wstring* comspec, std::wstring_view path,
                              const std::function<bool(const std::wstring&)>& is_file);

// The interpreter as the program's name, then /c and the command as it is.
std::wstring interpreter_command_line(const std::wstring& interpreter, std::wstring_view command);

}  // namespace console_detail
