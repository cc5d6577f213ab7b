// Runs a command line with the unelevated token linked to this process's elevated one: the
// token Windows gives an administrator's programs until it asks for consent. Under wine,
// where every process runs elevated, it lets scripts/test-packages.sh start the setup
// program as a user would. Exits with the command's exit code, or 255 when it cannot run it.
// Usage: run-unelevated.exe PROGRAM [ARGUMENT...]
#include "platform/win32/translate.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int cannotRun = 255;

int failure(const char* step) {
    std::fprintf(stderr, "run-unelevated: %s failed (error %lu)\n", step, GetLastError());
    return cannotRun;
}

} // namespace

int main() {
    std::u16string command = commandLineTail(reinterpret_cast<const char16_t*>(GetCommandLineW()));
    if (command.empty()) {
        std::fprintf(stderr, "usage: run-unelevated.exe PROGRAM [ARGUMENT...]\n");
        return cannotRun;
    }
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return failure("OpenProcessToken");
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    const bool haveLinked =
        GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size);
    CloseHandle(token);
    if (!haveLinked)
        return failure("GetTokenInformation(TokenLinkedToken)");

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessAsUserW(
        linked.LinkedToken, nullptr, reinterpret_cast<wchar_t*>(command.data()), nullptr, nullptr,
        FALSE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(linked.LinkedToken);
    if (!started)
        return failure("CreateProcessAsUserW");
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = cannotRun;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}
