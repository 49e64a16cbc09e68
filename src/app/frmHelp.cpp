#include "app/frmHelp.h"

#include "widgets/Look.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmHelp::frmHelp(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(tr("Help and Information"));
    setAttribute(Qt::WA_DeleteOnClose);

    lblTitle = new QLabel(QStringLiteral("Quillhour"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    const QFont title = Look::verdana(16, true);
    lblTitle->setFont(title);

    Label1 = new QLabel(tr("This program is a basic time management application "
                           "designed to simplify the tracking of multiple projects "
                           "and users."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    cmdClose = new QPushButton(tr("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(Label1);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(380, 180);
}

void frmHelp::cmdClose_Click() {
    close();
}
