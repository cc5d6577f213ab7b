#include "support/systemcalls.h"
#include "tests/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace {

using namespace systemcalls;

std::u16string decode(uint32_t codePage, const std::string& bytes) {
    const auto count = static_cast<int32_t>(bytes.size());
    std::u16string text(
        static_cast<size_t>(multiByteToWideChar(codePage, bytes.data(), count, nullptr, 0)), u'\0');
    multiByteToWideChar(codePage, bytes.data(), count, text.data(),
                        static_cast<int32_t>(text.size()));
    return text;
}

std::string encode(uint32_t codePage, const std::u16string& text) {
    const auto count = static_cast<int32_t>(text.size());
    std::string bytes(
        static_cast<size_t>(wideCharToMultiByte(codePage, text.data(), count, nullptr, 0)), '\0');
    wideCharToMultiByte(codePage, text.data(), count, bytes.data(),
                        static_cast<int32_t>(bytes.size()));
    return bytes;
}

TEST(WindowsCodePages, EveryByteOfTheAnsiPageRoundTrips) {
    const uint32_t ansi = ansiCodePage();
    EXPECT_NE(ansi, 65001u);
    std::string everyByte;
    for (int b = 1; b < 256; ++b) // 0 excluded: it is the terminator in some pages
        everyByte += static_cast<char>(b);
    const std::u16string text = decode(ansi, everyByte);
    EXPECT_EQ(encode(ansi, text), everyByte);
}

TEST(WindowsCodePages, Utf8ReplacesWhatItCannotDecode) {
    EXPECT_EQ(decode(65001, "\xC3\xA9"), u"\u00e9");
    EXPECT_EQ(decode(65001, "\xFF"), u"\uFFFD");
    EXPECT_EQ(encode(65001, u"\u00e9\xD83D\xDE00"), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(decode(65001, ""), u"");
    EXPECT_EQ(encode(65001, u""), "");
}

TEST(WindowsCounter, RunsForwardAtAPositiveRate) {
    EXPECT_GT(queryPerformanceFrequency(), 0);
    const int64_t before = queryPerformanceCounter();
    EXPECT_GE(queryPerformanceCounter(), before);
}

TEST(WindowsNewFiles, AnExistingFileIsRefusedAndLeftAsItIs) {
    const TempFolder folder;
    for (const DWORD attributes : {DWORD{FILE_ATTRIBUTE_NORMAL}, DWORD{FILE_ATTRIBUTE_READONLY},
                                   DWORD{FILE_ATTRIBUTE_HIDDEN}}) {
        const std::filesystem::path taken = folder / "taken.txt";
        folder.put("taken.txt", "theirs");
        ASSERT_TRUE(SetFileAttributesW(taken.c_str(), attributes));
        const DWORD before = GetFileAttributesW(taken.c_str());
        try {
            writeNewFile(taken, "ours", {});
            ADD_FAILURE() << "written over a file of attributes " << attributes;
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code(), std::errc::file_exists) << e.what();
        }
        EXPECT_EQ(folder.contents("taken.txt"), "theirs");
        EXPECT_EQ(GetFileAttributesW(taken.c_str()), before);
        SetFileAttributesW(taken.c_str(), FILE_ATTRIBUTE_NORMAL); // so it can be removed
        std::filesystem::remove(taken);
    }
}

TEST(WindowsNewFiles, TheBytesLandWhole) {
    const TempFolder folder;
    std::mt19937 draw(3);
    for (const size_t size : {size_t{0}, size_t{1}, size_t{65536}, (size_t{1} << 22) + 7}) {
        std::string bytes(size, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(draw());
        writeNewFile(folder / "made.bin", bytes, folder / "missing.txt");
        EXPECT_TRUE(folder.contents("made.bin") == bytes) << size << " bytes";
        std::filesystem::remove(folder / "made.bin");
    }
}

std::wstring accessListOf(const std::filesystem::path& file) {
    DWORD needed = 0;
    GetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<unsigned char> descriptor(needed);
    if (needed == 0 || !GetFileSecurityW(file.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(),
                                         needed, &needed))
        return L"unreadable";
    wchar_t* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return L"unconvertible";
    std::wstring list(text);
    LocalFree(text);
    return list;
}

TEST(WindowsNewFiles, TakeTheAccessListOfTheFileTheyAreLike) {
    const TempFolder folder;
    const std::filesystem::path like = folder / "like.txt";
    folder.put("like.txt", "");
    PSECURITY_DESCRIPTOR wanted = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;;FA;;;WD)(A;;FR;;;BU)", SDDL_REVISION_1, &wanted, nullptr));
    const BOOL set = SetFileSecurityW(like.c_str(), DACL_SECURITY_INFORMATION, wanted);
    LocalFree(wanted);
    ASSERT_TRUE(set);
    if (accessListOf(like) != L"D:P(A;;FA;;;WD)(A;;FR;;;BU)")
        GTEST_SKIP() << "this system derives access lists from something else (as wine does)";
    writeNewFile(folder / "made.txt", "x", like);
    EXPECT_EQ(accessListOf(folder / "made.txt"), accessListOf(like));
}

} // namespace
