#include "shell/window/labeled_edit.h"

#include <QLabel>

namespace torvel {
namespace {

constexpr int kLabelSpacing = 3;

}  // namespace

TLabeledEdit::TLabeledEdit(const QString& objectName, const QString& caption, const QRect& geometry, QWidget* parent)
    : QLineEdit(parent), m_label(new QLabel(caption, parent))
{
    setObjectName(objectName);
    setGeometry(geometry);
    m_label->setObjectName(objectName + QStringLiteral("Label"));
    m_label->setBuddy(this);
    m_label->setFocusPolicy(Qt::NoFocus);
    // A caption's leading blank only keeps the column aligned on screen; a screen reader should say "C1".
    setAccessibleName(caption.trimmed());
    m_label->adjustSize();
    m_label->move(geometry.left() - kLabelSpacing - m_label->width(),
                  geometry.top() + (geometry.height() - m_label->height()) / 2);
}

void TLabeledEdit::setVisible(bool visible)
{
    QLineEdit::setVisible(visible);
    m_label->setVisible(visible);
}

}  // namespace torvel
