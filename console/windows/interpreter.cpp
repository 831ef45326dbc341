#include "interpreter.h"

namespace console_detail {

std::wstring find_interpreter(const std::wstring* comspec, std::wstring_view path,
                              const std::function<bool(const std::wstring&)>& is_file) {
    if (comspec && !comspec->empty()) return is_file(*comspec) ? *comspec : std::wstring();
    const std::wstring name = L"CMD.EXE";
    if (is_file(name)) return name;
    while (!path.empty()) {
        // Folders between semicolons; quotes keep a semicolon in a name.
        std::wstring folder;
        std::size_t i = 0;
        for (bool quoted = false; i < path.size() && (quoted || path[i] != L';'); ++i) {
            if (path[i] == L'"')
                quoted = !quoted;
            else
                folder += path[i];
        }
        path.remove_prefix(i < path.size() ? i + 1 : i);
        if (folder.empty()) continue;
        std::wstring candidate = folder;
        if (candidate.back() != L'\\' && candidate.back() != L'/') candidate += L'\\';
        candidate += name;
        if (is_file(candidate)) return candidate;
    }
    return {};
}

std::wstring interpreter_command_line(const std::wstring& interpreter, std::wstring_view command) {
    std::wstring line = L"\"" + interpreter + L"\" /c ";
    line += command;
    return line;
}

}  // namespace console_detail
