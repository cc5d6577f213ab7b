#pragma once

#include <QString>

#include <string>
#include <string_view>

// Both sides hold UTF-16, so conversion is a copy of code units.
inline QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string toU16String(const QString& text) {
    return text.toStdU16String();
}
