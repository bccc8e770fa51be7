// UTF-8 to code points, for readers that must see characters rather than bytes.
#pragma once

#include <string>
#include <string_view>

namespace torvel {

/// Decodes UTF-8. Each byte that does not start a well-formed sequence (stray continuation bytes,
/// overlong forms, surrogates, truncated sequences) becomes one U+FFFD, so no input is ever rejected.
std::u32string decodeUtf8(std::string_view text);

std::string encodeUtf8(std::u32string_view text);

}  // namespace torvel
