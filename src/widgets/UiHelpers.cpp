#include "widgets/UiHelpers.h"

#include <QLineEdit>
#include <QTextDocument>

// Outside any namespace, as Q_INIT_RESOURCE requires. The images live in a static library, whose
// resource object the linker would otherwise drop because nothing refers to it.
static void initQuillhourResources() {
    Q_INIT_RESOURCE(quillhour);
}

namespace {

void ensureResources() {
    static const bool loaded = [] {
        initQuillhourResources();
        return true;
    }();
    Q_UNUSED(loaded);
}

} // namespace

QString quillhourIconPath(const QString& name) {
    ensureResources();
    return QStringLiteral(":/icons/%1.svg").arg(name);
}

QIcon quillhourIcon(const QString& name) {
    return QIcon(quillhourIconPath(name));
}

QStringList quillhourIconNames() {
    return {QStringLiteral("properties"),  QStringLiteral("new-category"),
            QStringLiteral("open-folder"), QStringLiteral("manager"),
            QStringLiteral("help"),        QStringLiteral("calendar"),
            QStringLiteral("user"),        QStringLiteral("quillhour")};
}

QString plainToolTip(const QString& text) {
    return text.isEmpty() ? text : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

void followCount(QLabel* unit, QLineEdit* box, std::function<QString(int count)> word) {
    auto show = [unit, box, word = std::move(word)] { unit->setText(word(box->text().toInt())); };
    QObject::connect(box, &QLineEdit::textChanged, unit, show);
    show();
}
