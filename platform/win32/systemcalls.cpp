#include "support/systemcalls.h"

#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// char16_t and wchar_t are both UTF-16 code units on Windows, so buffers pass through.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace systemcalls {

int64_t queryPerformanceCounter() {
    LARGE_INTEGER ticks{};
    QueryPerformanceCounter(&ticks);
    return ticks.QuadPart;
}

int64_t queryPerformanceFrequency() {
    LARGE_INTEGER perSecond{};
    QueryPerformanceFrequency(&perSecond);
    return perSecond.QuadPart;
}

// Large pages on Windows need a privilege an editor is not given.
void preferLargePages(void*, size_t) {}

int32_t multiByteToWideChar(uint32_t codePage, const char* bytes, int32_t byteCount,
                            char16_t* output, int32_t outputSize) {
    if (byteCount <= 0) // the OS would read a negative count as "up to a NUL"
        return 0;
    return MultiByteToWideChar(codePage, 0, bytes, byteCount, reinterpret_cast<wchar_t*>(output),
                               outputSize);
}

int32_t wideCharToMultiByte(uint32_t codePage, const char16_t* text, int32_t unitCount,
                            char* output, int32_t outputSize) {
    if (unitCount <= 0)
        return 0;
    return WideCharToMultiByte(codePage, 0, reinterpret_cast<const wchar_t*>(text), unitCount,
                               output, outputSize, nullptr, nullptr);
}

uint32_t ansiCodePage() {
    // With "UTF-8 for worldwide language support" switched on the ANSI code page is
    // 65001, which cannot carry the bytes of a file that failed the UTF-8 scan.
    const UINT active = GetACP();
    return active == CP_UTF8 ? 1252 : active;
}

namespace {
[[noreturn]] void throwLastError(const std::string& what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

// The self-relative security descriptor holding like's owner and access list, or nothing
// when they cannot be read (like need not exist); nothing gives a new file the default
// security.
std::vector<unsigned char> ownerAndAccessListOf(const std::filesystem::path& like) {
    constexpr SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD needed = 0;
    if (like.empty() || GetFileSecurityW(like.c_str(), wanted, nullptr, 0, &needed) || needed == 0)
        return {};
    std::vector<unsigned char> descriptor(needed);
    if (!GetFileSecurityW(like.c_str(), wanted, descriptor.data(), needed, &needed))
        return {};
    return descriptor;
}

void writeAll(HANDLE handle, std::string_view bytes) {
    constexpr size_t largestWrite = size_t{1} << 30;
    while (!bytes.empty()) {
        const auto count = static_cast<DWORD>(std::min(bytes.size(), largestWrite));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), count, &written, nullptr))
            throwLastError("writing failed");
        if (written == 0)
            throw std::system_error(ERROR_WRITE_FAULT, std::system_category(), "writing failed");
        bytes.remove_prefix(written);
    }
}

HANDLE createNew(const std::filesystem::path& file, std::vector<unsigned char>& security) {
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES),
                                   security.empty() ? nullptr : security.data(), FALSE};
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
        return handle;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
        throw std::system_error(std::make_error_code(std::errc::file_exists),
                                "cannot create a file in its folder");
    if (error == ERROR_INVALID_OWNER) // only a privileged user may give a file away
        throw OwnerNotTaken(static_cast<int>(error), std::system_category(),
                            "the new file cannot be given the old one's owner");
    throw std::system_error(static_cast<int>(error), std::system_category(),
                            "cannot create a file in its folder");
}
} // namespace

namespace {
// Writes and flushes the bytes into a file just made; it is removed again on any failure.
void createAndWrite(const std::filesystem::path& file, std::string_view bytes,
                    std::vector<unsigned char>& security) {
    const HANDLE handle = createNew(file, security);
    try {
        writeAll(handle, bytes);
        if (!FlushFileBuffers(handle))
            throwLastError("cannot flush the new file to disk");
    } catch (...) {
        CloseHandle(handle);
        DeleteFileW(file.c_str());
        throw;
    }
    if (!CloseHandle(handle)) {
        const DWORD error = GetLastError();
        DeleteFileW(file.c_str());
        throw std::system_error(static_cast<int>(error), std::system_category(), "writing failed");
    }
}

// The self-relative security descriptor whose protected access list grants the current
// user alone everything, or nothing when the user cannot be told: the folder's default.
std::vector<unsigned char> currentUserOnly() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD needed = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    std::vector<unsigned char> user(needed);
    const bool known =
        needed != 0 && GetTokenInformation(token, TokenUser, user.data(), needed, &needed);
    CloseHandle(token);
    LPWSTR userName = nullptr;
    if (!known ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &userName))
        return {};
    const std::wstring accessList = L"D:P(A;;FA;;;" + std::wstring(userName) + L")";
    LocalFree(userName);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ULONG size = 0;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(accessList.c_str(), SDDL_REVISION_1,
                                                              &descriptor, &size))
        return {};
    const auto* start = static_cast<const unsigned char*>(descriptor);
    std::vector<unsigned char> security(start, start + size);
    LocalFree(descriptor);
    return security;
}

// Moves past the bytes to keep and cuts off the rest; a file found shorter than that was
// cut by someone else, and filling the gap would hide it.
void keepOnly(HANDLE handle, uint64_t keptBytes) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size))
        throwLastError("cannot examine the file");
    if (static_cast<uint64_t>(size.QuadPart) < keptBytes)
        throw std::system_error(std::make_error_code(std::errc::io_error),
                                "the file was cut short by another program");
    LARGE_INTEGER offset{};
    offset.QuadPart = static_cast<LONGLONG>(keptBytes);
    if (!SetFilePointerEx(handle, offset, nullptr, FILE_BEGIN) || !SetEndOfFile(handle))
        throwLastError("cannot cut the file short");
}
} // namespace

void writeNewFile(const std::filesystem::path& file, std::string_view bytes,
                  const std::filesystem::path& like) {
    std::vector<unsigned char> security = ownerAndAccessListOf(like);
    createAndWrite(file, bytes, security);
}

void writeNewPrivateFile(const std::filesystem::path& file, std::string_view bytes) {
    std::vector<unsigned char> security = currentUserOnly();
    createAndWrite(file, bytes, security);
}

void appendToFile(const std::filesystem::path& file, uint64_t sizeBefore, std::string_view bytes) {
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                                    "the file is not there any more");
        throw std::system_error(static_cast<int>(error), std::system_category(),
                                "cannot open the file");
    }
    try {
        keepOnly(handle, sizeBefore);
        writeAll(handle, bytes);
        if (!FlushFileBuffers(handle))
            throwLastError("cannot flush the file to disk");
    } catch (...) {
        CloseHandle(handle);
        throw;
    }
    if (!CloseHandle(handle))
        throwLastError("writing failed");
}

uint32_t hardLinkCount(const std::filesystem::path& file) {
    const HANDLE handle = CreateFileW(
        file.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return 0;
        throw std::system_error(static_cast<int>(error), std::system_category(),
                                "cannot examine the file");
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool examined = GetFileInformationByHandle(handle, &information);
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (!examined)
        throw std::system_error(static_cast<int>(error), std::system_category(),
                                "cannot examine the file");
    return information.nNumberOfLinks;
}

void replaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) {
    // ReplaceFileW keeps the target's attributes and security; it needs a target that
    // exists and a file system that supports it. Otherwise an atomic rename serves, the new
    // file carrying the target's access list already.
    const bool targetExists = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (targetExists && ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return;
    if (!MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throwLastError("cannot put the new file in the old one's place");
}

} // namespace systemcalls
