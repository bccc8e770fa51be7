// Moving between the entry fields with Enter and the arrow keys.
//
// A designer types a value and presses Enter to go on to the next one, as on a form on paper, and the
// arrow keys step forward and back. The stops form one list in the window's tab order; a step skips
// stops that cannot take the focus now (hidden, disabled, not a tab stop) and wraps at both ends.
#pragma once

#include <Qt>

#include <optional>
#include <vector>

class QKeyEvent;

namespace torvel {

enum class Step { Next, Previous };

/// The step a key-down asks for in one of the value boxes, whatever modifier keys are held; none for
/// any other key, which the box then handles as usual.
std::optional<Step> navigationStepForKey(int key);

/// True for a key whose character is a carriage return: the boxes neither insert it nor react to it.
bool isCarriageReturn(const QKeyEvent& event);

/// The index reached from `current` by one step through `canTakeFocus`, wrapping around; `current`
/// itself when no other stop can take the focus.
int steppedIndex(const std::vector<bool>& canTakeFocus, int current, Step step);

}  // namespace torvel
