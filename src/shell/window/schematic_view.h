// A monochrome picture shown unscaled from the control's top-left corner; a picture wider than the
// control is cut off at its right edge.
#pragma once

#include <QImage>
#include <QWidget>

namespace torvel {

class TImage : public QWidget {
    Q_OBJECT
public:
    TImage(const QString& objectName, const QImage& picture, const QRect& geometry, QWidget* parent);

    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

}  // namespace torvel
