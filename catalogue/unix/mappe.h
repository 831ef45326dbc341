// Paths on Unix: the folder a file is in.
#pragma once

#include <string>

// The folder part of a path: "." for a bare name, "/" for one in the root.
inline std::string mappe_for(const std::string& sti) {
    const std::size_t skraa = sti.rfind('/');
    if (skraa == std::string::npos) return ".";
    return skraa == 0 ? "/" : sti.substr(0, skraa);
}
