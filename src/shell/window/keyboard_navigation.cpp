#include "shell/window/keyboard_navigation.h"

#include <QKeyEvent>

namespace torvel {

std::optional<Step> navigationStepForKey(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:  // the keypad's Enter is the same key to a designer
    case Qt::Key_Down:
        return Step::Next;
    case Qt::Key_Up:
        return Step::Previous;
    default:
        return std::nullopt;
    }
}

bool isCarriageReturn(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter || event.text() == QStringLiteral("\r");
}

int steppedIndex(const std::vector<bool>& canTakeFocus, int current, Step step)
{
    const int count = static_cast<int>(canTakeFocus.size());
    if (count == 0)
        return current;
    const int delta = step == Step::Next ? 1 : count - 1;
    const bool fromAStop = current >= 0 && current < count;
    // From outside the list the first step lands on the first (or last) stop.
    int index = fromAStop ? current : (step == Step::Next ? count - 1 : 0);
    for (int tried = 0; tried < count; ++tried) {
        index = (index + delta) % count;
        if (fromAStop && index == current)
            break;
        if (canTakeFocus[static_cast<std::size_t>(index)])
            return index;
    }
    return current;
}

}  // namespace torvel
