// The filter window's file reading and writing, each in one small function so that the program's
// shared file helpers can take their place in one spot.
#pragma once

#include <QString>

#include <optional>
#include <string>

namespace torvel::filter {

enum class [[nodiscard]] FileWrite { Written, Failed };

/// Writes the whole text or nothing: the old file stays until the new one is complete.
FileWrite writeTextFile(const QString& path, const std::string& text);

/// A filter file is a few kilobytes; anything beyond this is not one and is not read into memory.
inline constexpr qint64 kLargestFilterFile = 4 * 1024 * 1024;

struct [[nodiscard]] FileRead {
    std::optional<std::string> text;
    QString error;  // in Japanese, when text is empty
};

/// The file's bytes, refused when it cannot be opened or is larger than `largest`.
FileRead readTextFile(const QString& path, qint64 largest = kLargestFilterFile);

}  // namespace torvel::filter
