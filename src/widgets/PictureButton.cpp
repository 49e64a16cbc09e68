#include "widgets/PictureButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <cmath>

PictureButton::PictureButton(int index, const QIcon& icon, const QString& toolTip, QWidget* parent)
    : QToolButton(parent)
    , m_index(index) {
    setObjectName(QStringLiteral("picButton_%1").arg(index));
    setProperty("index", index);
    setIcon(icon);
    setDescription(toolTip);
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    setFixedSize(sizeHint());
}

void PictureButton::setDescription(const QString& toolTip) {
    setToolTip(toolTip);
    setAccessibleName(toolTip);
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
    // The picture fills the box; the hover frame around it is the row's own.
    QPainter painter(this);
    icon().paint(&painter, rect().adjusted(1, 1, -1, -1), Qt::AlignCenter,
                 isEnabled() ? QIcon::Normal : QIcon::Disabled);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void PictureButton::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(m_index);
    QToolButton::mouseMoveEvent(event);
}

void PictureButton::enterEvent(QEnterEvent* event) {
    emit mouseMoved(m_index);
    QToolButton::enterEvent(event);
}

void PictureButton::focusInEvent(QFocusEvent* event) {
    emit mouseMoved(m_index);
    QToolButton::focusInEvent(event);
}
