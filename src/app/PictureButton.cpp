#include "app/PictureButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

PictureButton::PictureButton(int index, const QIcon& icon, const QString& toolTip, QWidget* parent)
    : QWidget(parent)
    , m_index(index)
    , m_icon(icon) {
    setObjectName(QStringLiteral("picButton_%1").arg(index));
    setProperty("index", index);
    setToolTip(toolTip);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    setFixedSize(sizeHint());
}

QSize PictureButton::sizeHint() const {
    return {SizeTwips / TwipsPerPixel, SizeTwips / TwipsPerPixel};
}

void PictureButton::moveTwips(int left, int top) {
    m_leftTwips = left;
    m_topTwips = top;
    move(int(std::lround(double(left) / TwipsPerPixel)),
         int(std::lround(double(top) / TwipsPerPixel)));
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_icon.paint(&painter, rect().adjusted(1, 1, -1, -1), Qt::AlignCenter,
                 isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

void PictureButton::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(m_index);
    QWidget::mouseMoveEvent(event);
}

void PictureButton::enterEvent(QEnterEvent* event) {
    emit mouseMoved(m_index);
    QWidget::enterEvent(event);
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked(m_index);
    }
    QWidget::mouseReleaseEvent(event);
}
