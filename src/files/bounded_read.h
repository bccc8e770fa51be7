// Reading a whole file that a user named, whatever lies at that path.
//
// Only a regular file is read. A FIFO is opened without waiting for a writer and then refused, as are a
// device (/dev/zero and /dev/urandom never end), a folder and a socket; a link is followed to what it
// points to and judged by that. A file larger than the caller's bound is refused on its size before a
// byte is read, and the read itself stops one byte past the bound, so a file that grows while it is read
// cannot make it run on either. Nothing here needs more memory than the bound.
#pragma once

#include "files/file_outcome.h"

#include <cstddef>
#include <string>

namespace torvel {

/// The bytes of the regular file at `path` if it holds at most `maxBytes`; otherwise Missing,
/// NotRegularFile, TooLarge or SystemError with the reason.
FileReadOutcome readRegularFile(const std::string& path, std::size_t maxBytes);

/// "1 MB" for 1048576: a bound as the reasons state it.
std::string sizeText(std::size_t bytes);

}  // namespace torvel
