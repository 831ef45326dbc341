// Whole files and fresh folders, for the tests that work on real files.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

// The bytes of a file; empty when it can't be read.
inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void write_file(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A new folder of a name of our own in the system's temporary folder, on
// every system; empty when none could be made.
inline std::filesystem::path make_temp_folder(const std::string& prefix) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate =
            std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) return candidate;
    }
    return {};
}

// Removes a folder and all it holds, also when a test took its rights away.
inline void remove_temp_folder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(folder, ec);
}
