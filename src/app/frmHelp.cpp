#include "app/frmHelp.h"

#include "widgets/Look.h"

#include <QFile>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

QUrl frmHelp::handbookHome() {
    // The translation names the handbook written in its language.
    const QString language = tr("en", "the language code of the handbook to show");
    const QString page = QStringLiteral(":/handbook/%1/index.html").arg(language);
    return QUrl(QStringLiteral("qrc") +
                (QFile::exists(page) ? page : QStringLiteral(":/handbook/en/index.html")));
}

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

    lblVersion = new QLabel(tr("Version %1. The command line is described in the manual page "
                               "(man quillhour).")
                                .arg(QStringLiteral(QUILLHOUR_VERSION)),
                            this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setWordWrap(true);
    lblVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);

    txtGuide = new QTextBrowser(this);
    txtGuide->setObjectName(QStringLiteral("txtGuide"));
    txtGuide->setAccessibleName(tr("Handbook"));
    txtGuide->setOpenExternalLinks(true);
    txtGuide->setSource(handbookHome());

    cmdContents = new QPushButton(tr("C&ontents"), this);
    cmdContents->setObjectName(QStringLiteral("cmdContents"));
    connect(cmdContents, &QPushButton::clicked, txtGuide, &QTextBrowser::home);

    cmdClose = new QPushButton(tr("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdContents);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(Label1);
    layout->addWidget(lblVersion);
    layout->addWidget(txtGuide, 1);
    layout->addLayout(buttons);
    resize(720, 600);
}

void frmHelp::cmdClose_Click() {
    close();
}
