// Arbitrary bytes as a file: detection and conversion give every byte back, and a file
// opened and saved unedited through the window keeps every byte.
#include "fuzz/BoxInvariants.h"
#include "fuzz/ScratchFolder.h"
#include "tests/support/HeadlessHost.h"
#include "window/WindowDesign.h"
#include "window/fileformat.h"
#include "window/frmEditor.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

namespace {

std::string contentsOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

size_t entriesIn(const fs::path& folder) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Opened at start-up and saved with Ctrl+S; gives what the file holds afterwards.
std::string openAndSave(const fs::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    HeadlessHost host;
    frmEditor form(host);
    form.onLoadFile(file.u16string());
    form.onResize(windowDesign::startWidth, windowDesign::startHeight);
    form.onKeyDown(KeyCode::S, ShiftMask::Ctrl);
    FUZZ_CHECK(host.errors.empty());
    FUZZ_CHECK(host.questions.empty()); // an unedited text always fits its own encoding
    return contentsOf(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFolder scratch("files");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const TextFile decoded = decodeTextFile(bytes);
    FUZZ_CHECK(encodeTextFile(decoded.text, decoded.format) == bytes);

    const fs::path file = scratch.root / "file.txt";
    FUZZ_CHECK(openAndSave(file, bytes) == bytes);
    FUZZ_CHECK(entriesIn(scratch.root) == 1); // no temporary left behind
    return 0;
}
