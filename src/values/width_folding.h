// What a Japanese input method in full-width mode types, read as the ASCII it stands for.
//
// Typed in full-width mode, "4.7k" arrives as "４．７ｋ" and "-12" as "－１２": compatibility forms of
// the ASCII characters, each in a cell twice as wide. Value texts are read after folding these to ASCII,
// as Unicode's compatibility normalisation does for this range, so that the reader sees one character
// set; the text in the box is never changed.
#pragma once

#include <string>
#include <string_view>

namespace torvel {

/// `utf8` with the full-width forms folded:
///  - U+FF01 to U+FF5E (full-width "!" to "~": digits, letters, signs, point) to U+0021 to U+007E;
///  - U+3000 (ideographic space) to a blank;
///  - U+2212 (minus sign, which some input methods type for "-") to "-";
///  - the squared unit signs of one character that a designer may pick for a value (㎊ ㎋ ㎌ ㏀ ㏁
///    ㎐ ㎑ ㎒ ㎓ ㎔) to their letters (pF, nF, μF, kΩ, MΩ, Hz, kHz, MHz, GHz, THz).
/// Every other byte is kept as it is, ill-formed UTF-8 included.
std::string foldFullWidth(std::string_view utf8);

}  // namespace torvel
