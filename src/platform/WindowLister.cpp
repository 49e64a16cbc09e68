#include "platform/WindowLister.h"

#include <QTextBoundaryFinder>

namespace {

// Unicode characters (code points) among the UTF-16 units from begin to end.
int characters(const QString& text, qsizetype begin, qsizetype end) {
    int count = 0;
    for (qsizetype i = begin; i < end; ++i) {
        if (!(text.at(i).isLowSurrogate() && i > begin && text.at(i - 1).isHighSurrogate())) {
            ++count;
        }
    }
    return count;
}

} // namespace

QString cutWindowTitle(const QString& title) {
    if (title.size() <= MaxWindowTitleLength) {
        return title; // never more characters than units
    }
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, title);
    qsizetype cut = 0;
    int kept = 0;
    for (qsizetype next = graphemes.toNextBoundary(); next > 0; next = graphemes.toNextBoundary()) {
        const int more = characters(title, cut, next);
        if (kept + more > MaxWindowTitleLength) {
            break;
        }
        kept += more;
        cut = next;
    }
    return title.left(cut);
}

QStringList WindowLister::windowTitles(quintptr ownWindow) {
    QStringList titles;
    for (const DesktopWindow& window : windows(ownWindow)) {
        titles.append(window.title);
    }
    return titles;
}
