#pragma once

#include <string>

// The program's own folder among the user's application data, where recovery files live.
namespace appDataFolder {
// The user's local application data folder (%LOCALAPPDATA%); "" when the shell knows none.
std::u16string localAppData();
// base\Columnator, made if missing; "" when base is "", or the folder cannot be made, or
// something that is not a folder holds its name.
std::u16string ownFolderIn(const std::u16string& base);
} // namespace appDataFolder
