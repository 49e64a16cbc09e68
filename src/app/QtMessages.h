#pragma once

#include "platform/Messages.h"

#include <QPointer>
#include <QWidget>

// Message boxes and pickers on real windows: QMessageBox, frmBrowse and frmDatePicker.
class QtMessages final : public Messages {
public:
    explicit QtMessages(QString ownFolder)
        : m_ownFolder(std::move(ownFolder)) {}

    // The window the boxes belong to (the main window once it exists).
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    Answer show(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    void notify(const QString& text, const QString& title, Icon icon) override;
    std::optional<QString> browseFolder(const QString& startFolder) override;
    std::optional<QString> browseFile(const QString& startFolder, const QString& filter) override;
    std::optional<QString> browseDatabase(const QString& startFolder, const QString& filter,
                                          const QString& suggestedNewFile) override;
    std::optional<QString> saveFile(const QString& suggestedFile, const QString& filter) override;
    std::optional<QDate> pickDate(const QDate& date) override;
    std::optional<FirstStart> welcome(const FirstStart& suggested) override;

private:
    QPointer<QWidget> m_parent;
    QPointer<QWidget> m_notice;
    QString m_ownFolder;
};
