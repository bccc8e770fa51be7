// What the window says when it cannot open a design file, in Japanese. The design-file reader gives
// its reasons as codes with English texts (which torvel-cli prints); the window words them here.
#pragma once

#include "design/design_file.h"
#include "files/file_outcome.h"

#include <QString>

namespace torvel {

/// The reason a design file is refused, as one Japanese sentence.
QString japaneseReason(const DesignFileRefusal& refusal);

/// The reason when the file itself cannot be read: not there, not a regular file, too large, or what the
/// system said.
QString unreadableFileReason(const FileReadOutcome& read);

/// The whole message of the box: what failed, the file, why.
QString designFileRefusedMessage(const QString& path, const QString& reason);

}  // namespace torvel
