#include "widgets/WrappedToolTip.h"

#include <QFontMetrics>
#include <QScreen>
#include <QStringList>
#include <QTextLayout>
#include <QToolTip>
#include <QWidget>
#include <algorithm>

namespace {

// Lines of about this many letters read easily; a narrow screen gets half its width.
constexpr int UsualLetters = 60;

// The tool-tip's rich text for text: its lines at most width wide in font, each escaped.
QString wrappedToolTip(const QString& text, const QFont& font, int width) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines;
    for (const QString& paragraph : plain.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        bool any = false;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(1, width));
            lines.append(paragraph.mid(line.textStart(), line.textLength()).toHtmlEscaped());
            any = true;
        }
        layout.endLayout();
        if (!any) {
            lines.append(QString());
        }
    }
    // Rich text, whose lines stay as they were broken here; the escaping keeps a name such as
    // "<b>Pay</b>" from turning into markup, as plain text that looks like markup would.
    return QStringLiteral("<p style=\"white-space:pre\">") + lines.join(QStringLiteral("<br>")) +
           QStringLiteral("</p>");
}

} // namespace

void showWrappedToolTip(const QPoint& globalPos, const QString& text, QWidget* over) {
    const QFont font = QToolTip::font();
    int width = UsualLetters * QFontMetrics(font).averageCharWidth();
    if (const QScreen* screen = over != nullptr ? over->screen() : nullptr) {
        width = std::min(width, screen->availableGeometry().width() / 2);
    }
    QToolTip::showText(globalPos, wrappedToolTip(text, font, width), over);
}
