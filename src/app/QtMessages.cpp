#include "app/QtMessages.h"

#include "app/frmWelcome.h"
#include "categories/frmBrowse.h"
#include "categories/frmDatePicker.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(Messages::Icon icon) {
    switch (icon) {
    case Messages::Icon::None:
        return QMessageBox::NoIcon;
    case Messages::Icon::Information:
        return QMessageBox::Information;
    case Messages::Icon::Question:
        return QMessageBox::Question;
    case Messages::Icon::Warning:
        return QMessageBox::Warning;
    case Messages::Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QString boxTitle(const QString& title) {
    return title.isEmpty() ? QStringLiteral("Quillhour") : title;
}

} // namespace

Messages::Answer QtMessages::show(const QString& text, const QString& title, Buttons buttons,
                                  Icon icon) {
    QMessageBox box(m_parent);
    box.setWindowTitle(boxTitle(title));
    // Messages name categories and users, and quote the engine: a name that looks like markup
    // reads as typed.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(boxIcon(icon));
    if (buttons != Buttons::Ok) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

void QtMessages::notify(const QString& text, const QString& title, Icon icon) {
    // One notice at a time: a newer one takes the place of the one still shown.
    if (m_notice) {
        m_notice->close();
    }
    auto* box =
        new QMessageBox(boxIcon(icon), boxTitle(title), QString(), QMessageBox::Ok, m_parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    m_notice = box;
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

std::optional<QString> QtMessages::saveFile(const QString& suggestedFile, const QString& filter) {
    const QString chosen = QFileDialog::getSaveFileName(m_parent, QString(), suggestedFile, filter);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen;
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

std::optional<Messages::FirstStart> QtMessages::welcome(const FirstStart& suggested) {
    frmWelcome window(suggested, m_ownFolder, m_parent);
    if (window.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return window.answer();
}
