#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// A fresh folder under the system's temporary one, removed with everything in it.
class TempFolder {
public:
    TempFolder()
        : root(std::filesystem::temp_directory_path() /
               ("columnator_test_" + std::to_string(std::random_device{}()))) {
        std::filesystem::create_directories(root);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return root / name; }
    std::u16string path(const std::string& name) const { return (root / name).u16string(); }
    std::u16string put(const std::string& name, std::string_view bytes) const {
        std::ofstream(root / name, std::ios::binary).write(bytes.data(), std::ssize(bytes));
        return path(name);
    }
    std::string contents(const std::string& name) const {
        std::ifstream in(root / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(root))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    const std::filesystem::path root;
};
