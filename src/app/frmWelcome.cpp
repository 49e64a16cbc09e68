#include "app/frmWelcome.h"

#include "categories/frmBrowse.h"
#include "data/Database.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>
#include <pwd.h>
#include <unistd.h>

namespace {

QLabel* captionFor(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

frmWelcome::frmWelcome(const Messages::FirstStart& suggested, QString ownFolder, QWidget* parent)
    : QDialog(parent)
    , optNewDatabase(new QRadioButton(tr("Start a &new database on this computer:"), this))
    , txtNewDatabase(new QLineEdit(this))
    , optOpenDatabase(new QRadioButton(tr("&Open an existing database file:"), this))
    , txtOpenDatabase(new QLineEdit(this))
    , cmdBrowseDatabase(new QPushButton(tr("&Browse..."), this))
    , optServer(new QRadioButton(tr("Connect to a team's se&rver:"), this))
    , txtServerAddress(new QLineEdit(this))
    , txtServerPassword(new QLineEdit(this))
    , txtYourName(new QLineEdit(suggested.userName, this))
    , txtFirstCategory(new QLineEdit(suggested.categoryName, this))
    , m_ownFolder(std::move(ownFolder)) {
    setObjectName(QStringLiteral("frmWelcome"));
    setWindowTitle(tr("Welcome to Quillhour"));
    optNewDatabase->setObjectName(QStringLiteral("optNewDatabase"));
    txtNewDatabase->setObjectName(QStringLiteral("txtNewDatabase"));
    optOpenDatabase->setObjectName(QStringLiteral("optOpenDatabase"));
    txtOpenDatabase->setObjectName(QStringLiteral("txtOpenDatabase"));
    cmdBrowseDatabase->setObjectName(QStringLiteral("cmdBrowseDatabase"));
    optServer->setObjectName(QStringLiteral("optServer"));
    txtServerAddress->setObjectName(QStringLiteral("txtServerAddress"));
    txtServerAddress->setPlaceholderText(QStringLiteral("postgresql://ann@server:5432/quillhour"));
    txtServerPassword->setObjectName(QStringLiteral("txtServerPassword"));
    txtServerPassword->setEchoMode(QLineEdit::Password);
    txtServerPassword->setAccessibleName(tr("Password"));
    txtYourName->setObjectName(QStringLiteral("txtYourName"));
    txtFirstCategory->setObjectName(QStringLiteral("txtFirstCategory"));

    QDialogButtonBox* buttons = layOut(suggested.place);

    connect(buttons, &QDialogButtonBox::accepted, this, &frmWelcome::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmWelcome::reject);
    for (QRadioButton* place : {optNewDatabase, optOpenDatabase, optServer}) {
        connect(place, &QRadioButton::toggled, this, [this] { showChoice(); });
    }
    connect(cmdBrowseDatabase, &QPushButton::clicked, this, [this] { browse(); });
    // Typing into a choice's box means that choice.
    connect(txtOpenDatabase, &QLineEdit::textEdited, optOpenDatabase, &QRadioButton::click);
    connect(txtServerAddress, &QLineEdit::textEdited, optServer, &QRadioButton::click);
    fill(suggested);
    showChoice();
    setMinimumWidth(520);
    cmdStart->setFocus();
}

QDialogButtonBox* frmWelcome::layOut(Messages::FirstStart::Place place) {
    auto* heading = new QLabel(tr("Welcome to Quillhour"), this);
    heading->setObjectName(QStringLiteral("lblWelcome"));
    QFont larger = heading->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.4);
    larger.setBold(true);
    heading->setFont(larger);
    auto* where = new QLabel(tr("Where is your time kept?"), this);

    auto* choice = new QButtonGroup(this);
    choice->addButton(optNewDatabase);
    choice->addButton(optOpenDatabase);
    choice->addButton(optServer);
    optNewDatabase->setChecked(place == Messages::FirstStart::Place::NewFile);
    optOpenDatabase->setChecked(place == Messages::FirstStart::Place::ExistingFile);
    optServer->setChecked(place == Messages::FirstStart::Place::Server);

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(optNewDatabase, row++, 0, 1, 3);
    grid->addWidget(txtNewDatabase, row++, 1, 1, 2);
    grid->addWidget(optOpenDatabase, row++, 0, 1, 3);
    grid->addWidget(txtOpenDatabase, row, 1);
    grid->addWidget(cmdBrowseDatabase, row++, 2);
    grid->addWidget(optServer, row++, 0, 1, 3);
    grid->addWidget(txtServerAddress, row++, 1, 1, 2);
    auto* password = new QHBoxLayout;
    password->addWidget(captionFor(tr("&Password:"), txtServerPassword, this));
    password->addWidget(txtServerPassword, 1);
    grid->addLayout(password, row++, 1, 1, 2);
    grid->setColumnMinimumWidth(0, 24);
    grid->setColumnStretch(1, 1);

    auto* person = new QGridLayout;
    person->addWidget(captionFor(tr("&Your name:"), txtYourName, this), 0, 0);
    person->addWidget(txtYourName, 0, 1);
    person->addWidget(captionFor(tr("&What are you working on?"), txtFirstCategory, this), 1, 0);
    person->addWidget(txtFirstCategory, 1, 1);
    person->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    cmdStart = buttons->addButton(tr("&Start"), QDialogButtonBox::AcceptRole);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdStart->setDefault(true);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(where);
    layout->addLayout(grid);
    layout->addSpacing(12);
    layout->addLayout(person);
    layout->addStretch(1);
    layout->addWidget(buttons);

    return buttons;
}

void frmWelcome::fill(const Messages::FirstStart& suggested) {
    txtNewDatabase->setText(QDir(m_ownFolder).filePath(QStringLiteral("quillhour.db")));
    switch (suggested.place) {
    case Messages::FirstStart::Place::NewFile:
        txtNewDatabase->setText(suggested.location);
        break;
    case Messages::FirstStart::Place::ExistingFile:
        txtOpenDatabase->setText(suggested.location);
        break;
    case Messages::FirstStart::Place::Server: {
        // Shown again after a refusal: the password back in its own box.
        QUrl address(suggested.location);
        txtServerPassword->setText(address.password());
        address.setPassword(QString());
        txtServerAddress->setText(address.toString());
        break;
    }
    }
}

void frmWelcome::showChoice() {
    txtNewDatabase->setEnabled(optNewDatabase->isChecked());
    txtServerPassword->setEnabled(optServer->isChecked());
}

void frmWelcome::browse() {
    frmBrowse picker(m_ownFolder, this);
    QLineEdit chosen;
    const QString current = txtOpenDatabase->text().trimmed();
    const QString start =
        QFileInfo(current).isFile() ? QFileInfo(current).absolutePath() : m_ownFolder;
    if (picker.fileBrowse(&chosen, start, QStringLiteral("*.db")) &&
        QFileInfo(chosen.text()).isFile()) {
        txtOpenDatabase->setText(chosen.text());
        optOpenDatabase->setChecked(true);
    }
}

Messages::FirstStart frmWelcome::answer() const {
    Messages::FirstStart given;
    given.userName = txtYourName->text().trimmed();
    given.categoryName = txtFirstCategory->text().trimmed();
    if (optOpenDatabase->isChecked()) {
        given.place = Messages::FirstStart::Place::ExistingFile;
        given.location = txtOpenDatabase->text().trimmed();
    } else if (optServer->isChecked()) {
        given.place = Messages::FirstStart::Place::Server;
        const QString typed = txtServerAddress->text().trimmed();
        QUrl address(typed);
        if (!typed.isEmpty() && !txtServerPassword->text().isEmpty()) {
            address.setPassword(txtServerPassword->text());
        }
        given.location = typed.isEmpty() ? typed : address.toString();
    } else {
        given.place = Messages::FirstStart::Place::NewFile;
        given.location = txtNewDatabase->text().trimmed();
    }
    return given;
}

QString frmWelcome::accountName() {
    if (const passwd* account = ::getpwuid(::getuid()); account != nullptr) {
        // The full name is the first of the comma-separated fields.
        const QString full =
            QString::fromLocal8Bit(account->pw_gecos != nullptr ? account->pw_gecos : "")
                .section(QLatin1Char(','), 0, 0)
                .trimmed();
        if (!full.isEmpty()) {
            return full;
        }
        return QString::fromLocal8Bit(account->pw_name);
    }
    return qEnvironmentVariable("USER");
}
