#include "notifications/NotificationsPage.h"

#include "widgets/ClickableLabel.h"
#include "widgets/KeyedTree.h"
#include "widgets/UiHelpers.h"
#include "widgets/WrappingLabel.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

NotificationsPage::NotificationsPage(QWidget* parent)
    : QWidget(parent) {
    notificationTree = named(new KeyedTree, QStringLiteral("notificationTree"));
    notificationTree->setAccessibleName(tr("Notifications"));

    fraNotificationAttributes = named(new QGroupBox(tr("Notification Details")),
                                      QStringLiteral("fraNotificationAttributes"));
    fraNotificationAttributes->setVisible(false);
    // The tree keeps its width whether or not the details show.
    QSizePolicy keepPlace = fraNotificationAttributes->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    fraNotificationAttributes->setSizePolicy(keepPlace);

    lblNotificationCategory =
        named(new ClickableLabel(tr("Category:")), QStringLiteral("lblNotificationCategory"));
    lblFrom = named(new ClickableLabel(tr("From:")), QStringLiteral("lblFrom"));
    lblTo = named(new ClickableLabel(tr("To:")), QStringLiteral("lblTo"));
    lblDate = named(new QLabel(QStringLiteral("12 Jan 2005")), QStringLiteral("lblDate"));
    lblStatusDate =
        named(new QLabel(QStringLiteral("12 Jan 2005")), QStringLiteral("lblStatusDate"));
    // A message wraps anywhere in a word too long for a line, rather than widen the window.
    lblNotificationMessage = named(new WrappingLabel, QStringLiteral("lblNotificationMessage"));
    lblNotificationMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblNotificationMessage->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    cmdDeleteNotification =
        named(new QPushButton(tr("Delete")), QStringLiteral("cmdDeleteNotification"));

    // What other users wrote is shown as written, never read as markup.
    for (QLabel* written :
         {static_cast<QLabel*>(lblNotificationCategory), static_cast<QLabel*>(lblFrom),
          static_cast<QLabel*>(lblTo), lblDate, lblStatusDate, lblNotificationMessage}) {
        written->setTextFormat(Qt::PlainText);
    }

    auto* details = new QVBoxLayout(fraNotificationAttributes);
    // Links only as wide as their text, so a click beside one does not follow it.
    details->addWidget(lblNotificationCategory, 0, Qt::AlignLeft);
    details->addWidget(lblFrom, 0, Qt::AlignLeft);
    details->addWidget(lblTo, 0, Qt::AlignLeft);
    details->addSpacing(6);
    details->addWidget(lblDate);
    details->addWidget(lblStatusDate);
    details->addSpacing(6);
    details->addWidget(lblNotificationMessage, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdDeleteNotification);
    details->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(notificationTree, 2);
    layout->addWidget(fraNotificationAttributes, 3);
}
