// The window title carries the program's version as major.minor.
//
// The version comes from the build (the project version in CMake): a Linux program file has no version
// record to read. The packing into one 32-bit word, major in the high half and minor in the low half, is
// kept so that an unusable version shows the same way everywhere: every bit set, "65535.65535".
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace torvel {

inline constexpr std::uint32_t kUnknownVersionWord = 0xFFFFFFFFu;

/// "1.13.0" -> 0x0001000D. Anything that does not start with two numbers of 0-65535 separated by a
/// "." gives kUnknownVersionWord.
std::uint32_t versionWordFromText(QStringView version);

/// major "." minor, the minor with at least two digits: 0x00010005 -> "1.05", 0x0001007B -> "1.123".
QString versionText(std::uint32_t versionWord);

/// "Torvel Ver" directly followed by the version text.
QString windowTitleFor(std::uint32_t versionWord);

/// The title of this build.
QString programWindowTitle();

}  // namespace torvel
