// An edit box with its caption to the left: 3 pixels apart, vertically centred on the box, as wide as
// its text. The caption shows and hides with the box, so a hidden field leaves no stray label.
#pragma once

#include <QLineEdit>

class QLabel;

namespace torvel {

class TLabeledEdit : public QLineEdit {
    Q_OBJECT
public:
    /// The box at `geometry` within `parent`, labelled `caption` (leading blanks are part of the
    /// caption and are kept). Its accessible name is the caption without them.
    TLabeledEdit(const QString& objectName, const QString& caption, const QRect& geometry, QWidget* parent);

    QLabel* EditLabel() const { return m_label; }
    void setVisible(bool visible) override;

private:
    QLabel* m_label;
};

}  // namespace torvel
