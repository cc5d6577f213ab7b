#include "window/freename.h"

#include "window/fileerrors.h"

#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

fs::path createUnderFreeName(std::string_view what,
                             const std::function<fs::path(uint64_t draw)>& nameFor,
                             const std::function<void(const fs::path&)>& create) {
    std::random_device seed;
    std::mt19937_64 draw(seed());
    fs::path candidate;
    for (int attempt = 0; attempt < 100; ++attempt) {
        candidate = nameFor(draw());
        try {
            create(candidate);
            return candidate;
        } catch (const std::system_error& failure) {
            if (failure.code() != std::errc::file_exists)
                throw;
        }
    }
    throw std::runtime_error("cannot find a free " + std::string(what) + " name in " +
                             shownPath(candidate.parent_path().u16string()));
}
