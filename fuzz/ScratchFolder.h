#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

// A folder of this process's own, in memory where the system offers it, so that the
// flushes of each save cost nothing; removed at exit.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& target)
        : root((std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                    : std::filesystem::temp_directory_path()) /
               ("columnator_" + target + "_fuzz_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(root);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path root;
};
