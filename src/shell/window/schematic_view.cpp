#include "shell/window/schematic_view.h"

#include <QPainter>

namespace torvel {

TImage::TImage(const QString& objectName, const QImage& picture, const QRect& geometry, QWidget* parent)
    : QWidget(parent), m_picture(picture)
{
    setObjectName(objectName);
    setGeometry(geometry);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

}  // namespace torvel
