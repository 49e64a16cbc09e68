#include "widgets/Look.h"

QFont Look::verdana(qreal points, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    if (points > 0) {
        font.setPointSizeF(points);
    }
    font.setBold(bold);
    return font;
}

QColor Look::textOn(const QColor& background) {
    // Relative luminance as the eye weighs the three colours.
    const double luminance =
        0.2126 * background.redF() + 0.7152 * background.greenF() + 0.0722 * background.blueF();
    return luminance > 0.45 ? QColor(Qt::black) : QColor(Qt::white);
}
