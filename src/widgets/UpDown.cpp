#include "widgets/UpDown.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace {

QToolButton* arrowButton(Qt::ArrowType arrow, const QString& name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    // The text box beside the spinner keeps the keyboard focus.
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    button->setFixedWidth(18);
    button->setMinimumHeight(9);
    return button;
}

} // namespace

UpDown::UpDown(QWidget* parent)
    : QWidget(parent)
    , m_up(arrowButton(Qt::UpArrow, QStringLiteral("up"), this))
    , m_down(arrowButton(Qt::DownArrow, QStringLiteral("down"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::setValue(int value) {
    const int clamped = std::clamp(value, m_minimum, m_maximum);
    if (clamped == m_value) {
        return;
    }
    m_value = clamped;
    emit Change();
}

void UpDown::setRange(int minimum, int maximum) {
    m_minimum = std::min(minimum, maximum);
    m_maximum = std::max(minimum, maximum);
    setValue(m_value);
}

void UpDown::setIncrement(int increment) {
    m_increment = std::max(1, increment);
}

void UpDown::step(int direction) {
    // Widened so that a step near the ends of int cannot overflow before it is clamped.
    const long long next = static_cast<long long>(m_value) + direction * m_increment;
    setValue(static_cast<int>(std::clamp<long long>(next, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max())));
}
