#include "users/UsersPage.h"

#include "widgets/CaptionFrame.h"
#include "widgets/KeyedTree.h"
#include "widgets/UiHelpers.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* caption(const QString& text, const QString& name, QWidget* buddy) {
    auto* label = named(new QLabel(text), name);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* readOnlyBox(const QString& name, int width) {
    auto* box = named(new QLineEdit, name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setFixedWidth(width);
    return box;
}

} // namespace

UsersPage::UsersPage(QWidget* parent)
    : QWidget(parent) {
    userTree = named(new KeyedTree, QStringLiteral("userTree"));
    userTree->setAccessibleName(tr("Users"));

    fraUserDetails = named(new CaptionFrame(tr("User Details")), QStringLiteral("fraUserDetails"));
    fraUserDetails->setVisible(false);
    QSizePolicy keepPlace = fraUserDetails->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    fraUserDetails->setSizePolicy(keepPlace);

    txtUserName = named(new QLineEdit, QStringLiteral("txtUserName"));
    lblUserName = caption(tr("User &Name:"), QStringLiteral("lblUserName"), txtUserName);
    txtUserId = readOnlyBox(QStringLiteral("txtUserId"), 80);
    lblUserId = caption(tr("User ID:"), QStringLiteral("lblUserId"), txtUserId);
    txtEmail = named(new QLineEdit, QStringLiteral("txtEmail"));
    lblEmail = caption(tr("&Email:"), QStringLiteral("lblEmail"), txtEmail);
    txtUserDetails = named(new QPlainTextEdit, QStringLiteral("txtUserDetails"));
    txtUserDetails->setTabChangesFocus(true);
    lblUserDetails = caption(tr("&Details:"), QStringLiteral("lblUserDetails"), txtUserDetails);
    txtUserCreated = readOnlyBox(QStringLiteral("txtUserCreated"), 100);
    lblUserCreated = caption(tr("Created:"), QStringLiteral("lblUserCreated"), txtUserCreated);
    cmdSaveUser = named(new QPushButton(tr("&Save")), QStringLiteral("cmdSaveUser"));
    cmdDeleteUser = named(new QPushButton(tr("De&lete")), QStringLiteral("cmdDeleteUser"));
    cmdNewUser = named(new QPushButton(tr("Ne&w")), QStringLiteral("cmdNewUser"));
    cmdNewUser->setToolTip(tr("Add a user"));

    auto* form = new QGridLayout(fraUserDetails);
    const Qt::Alignment captionAlign = Qt::AlignLeft | Qt::AlignVCenter;
    form->addWidget(lblUserName, 0, 0, captionAlign);
    form->addWidget(txtUserName, 0, 1);
    form->addWidget(lblUserId, 1, 0, captionAlign);
    form->addWidget(txtUserId, 1, 1, Qt::AlignLeft);
    form->addWidget(lblEmail, 2, 0, captionAlign);
    form->addWidget(txtEmail, 2, 1);
    form->addWidget(lblUserDetails, 3, 0, Qt::AlignLeft | Qt::AlignTop);
    form->addWidget(txtUserDetails, 3, 1);
    form->addWidget(lblUserCreated, 4, 0, captionAlign);
    form->addWidget(txtUserCreated, 4, 1, Qt::AlignLeft);
    form->setRowStretch(3, 1);
    form->setColumnStretch(1, 1);
    // As in the category editor: Delete apart from Save.
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdDeleteUser);
    buttons->addStretch(1);
    buttons->addWidget(cmdSaveUser);
    form->addLayout(buttons, 5, 0, 1, 2);

    // New sits under the list, so it is there while the editor is hidden.
    auto* list = new QVBoxLayout;
    list->addWidget(userTree, 1);
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(cmdNewUser);
    listButtons->addStretch(1);
    list->addLayout(listButtons);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(list, 2);
    layout->addWidget(fraUserDetails, 3);
}
