#include "app/Look.h"

QFont Look::verdana(qreal points, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    if (points > 0) {
        font.setPointSizeF(points);
    }
    font.setBold(bold);
    return font;
}
