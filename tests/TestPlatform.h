#pragma once

// Some contracts are our own layer's on POSIX but the operating system's on Windows
// (how many replacement characters, best-fit substitutes, which code pages exist,
// permission bits, symbolic links); their checks run only where the contract is ours.
#ifdef _WIN32
inline constexpr bool runningOnWindows = true;
#else
inline constexpr bool runningOnWindows = false;
#endif
