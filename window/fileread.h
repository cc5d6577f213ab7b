#pragma once

#include "window/fileformat.h"

#include <functional>
#include <stdexcept>
#include <string>

// Raised by readTextFile when nothing exists at the path, so a caller can offer to create it.
class FileNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads and decodes the file, stamped with the size and hash of the bytes read and the
// file's time when it was opened; raises std::exception with a message for the user (UTF-8) on
// any failure. beforeRead runs once the file is checked and measured, just before it is
// opened: the moment another program may remove, truncate or lock it, which tests reproduce
// there.
TextFile readTextFile(const std::u16string& path, const std::function<void()>& beforeRead = {});
