#include "app/QtMessages.h"

#include "categories/frmBrowse.h"
#include "categories/frmDatePicker.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>

Messages::Answer QtMessages::show(const QString& text, const QString& title, Buttons buttons,
                                  Icon icon) {
    QMessageBox box(m_parent);
    box.setWindowTitle(title.isEmpty() ? QStringLiteral("Quillhour") : title);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

std::optional<QString> QtMessages::browseFolder(const QString& startFolder) {
    frmBrowse dialog(m_ownFolder, m_parent);
    QLineEdit target(startFolder);
    if (!dialog.folderBrowse(&target)) {
        return std::nullopt;
    }
    return target.text();
}

std::optional<QString> QtMessages::browseFile(const QString& startFolder, const QString& filter) {
    frmBrowse dialog(m_ownFolder, m_parent);
    QLineEdit target;
    if (!dialog.fileBrowse(&target, startFolder, filter)) {
        return std::nullopt;
    }
    return target.text();
}

std::optional<QString> QtMessages::browseDatabase(const QString& startFolder, const QString& filter,
                                                  const QString& suggestedNewFile) {
    frmBrowse dialog(m_ownFolder, m_parent);
    dialog.offerNewFile(suggestedNewFile);
    QLineEdit target;
    if (!dialog.fileBrowse(&target, startFolder, filter)) {
        return std::nullopt;
    }
    return target.text();
}

std::optional<QDate> QtMessages::pickDate(const QDate& date) {
    frmDatePicker dialog(m_parent);
    QLineEdit target;
    if (!dialog.pickDate(&target, QDateTime(date, QTime(0, 0)))) {
        return std::nullopt;
    }
    const QStringList parts = target.text().split(QLatin1Char('/'));
    if (parts.size() != 3) {
        return std::nullopt;
    }
    return QDate(parts[2].toInt(), parts[1].toInt(), parts[0].toInt());
}
