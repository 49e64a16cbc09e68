#include "categories/frmBrowse.h"

#include "categories/FolderList.h"
#include "data/Database.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <algorithm>
#include <functional>

namespace {

const QString kFolderMode = QStringLiteral("folder");
const QString kFileMode = QStringLiteral("file");

constexpr int kMargin = 10;
constexpr int kGap = 10;
constexpr int kFileListHeight = 190;
constexpr int kBelowButtons = 35;
constexpr int kDirListWidth = 260;
constexpr int kFileListWidth = 220;
constexpr int kButtonWidth = 84;

int bottomOf(const QWidget* widget) {
    return widget->y() + widget->height();
}

int rightOf(const QWidget* widget) {
    return widget->x() + widget->width();
}

// Enter in the new-file box means "New Database", not the dialog's default Select.
class EnterPresses : public QObject {
public:
    EnterPresses(QObject* parent, std::function<void()> onEnter)
        : QObject(parent)
        , m_onEnter(std::move(onEnter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_onEnter();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onEnter;
};

} // namespace

frmBrowse::frmBrowse(const QString& ownFolder, QWidget* parent)
    : QDialog(parent)
    , driveList(new QComboBox(this))
    , dirList(new FolderList(this))
    , fileList(new QListWidget(this))
    , cmdSelect(new QPushButton(tr("Select"), this))
    , cmdCancel(new QPushButton(tr("Cancel"), this))
    , txtNewFile(new QLineEdit(this))
    , cmdNew(new QPushButton(tr("New Database"), this))
    , m_ownFolder(ownFolder) {
    setObjectName(QStringLiteral("frmBrowse"));
    driveList->setObjectName(QStringLiteral("driveList"));
    dirList->setObjectName(QStringLiteral("dirList"));
    fileList->setObjectName(QStringLiteral("fileList"));
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    txtNewFile->setObjectName(QStringLiteral("txtNewFile"));
    txtNewFile->setToolTip(tr("A new database file, or the postgresql:// address of a "
                              "database server"));
    cmdNew->setObjectName(QStringLiteral("cmdNew"));
    dirList->setAccessibleName(tr("Folders"));
    fileList->setAccessibleName(tr("Files"));
    txtNewFile->setAccessibleName(tr("New database"));

    setModal(true);
    cmdSelect->setDefault(true);
    fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    fileList->setSortingEnabled(false);
    txtNewFile->hide();
    cmdNew->hide();
    cmdNew->setEnabled(false);
    txtNewFile->installEventFilter(new EnterPresses(this, [this] { cmdNew_Click(); }));

    fillDriveList();

    connect(driveList, &QComboBox::currentIndexChanged, this, &frmBrowse::driveList_Change);
    connect(dirList, &FolderList::Change, this, &frmBrowse::dirList_Change);
    connect(fileList, &QListWidget::itemDoubleClicked, this, &frmBrowse::fileList_DblClick);
    connect(cmdSelect, &QPushButton::clicked, this, &frmBrowse::cmdSelect_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmBrowse::cmdCancel_Click);
    connect(cmdNew, &QPushButton::clicked, this, &frmBrowse::cmdNew_Click);
    connect(txtNewFile, &QLineEdit::textChanged, this,
            [this](const QString& text) { cmdNew->setEnabled(!text.trimmed().isEmpty()); });

    setupScreen();
}

bool frmBrowse::folderBrowse(QLineEdit* objTarget) {
    prepareFolderBrowse(objTarget);
    return exec() == QDialog::Accepted;
}

bool frmBrowse::fileBrowse(QLineEdit* objTarget, const QString& defaultPath,
                           const QString& filter) {
    prepareFileBrowse(objTarget, defaultPath, filter);
    return exec() == QDialog::Accepted;
}

void frmBrowse::start(QLineEdit* objTarget, const QString& caption, const QString& type) {
    setWindowTitle(caption);
    targetControl = objTarget;
    browseType = type;
    m_newFileChosen = false;
}

void frmBrowse::prepareFolderBrowse(QLineEdit* objTarget) {
    start(objTarget, tr("Select a Folder"), kFolderMode);
    placeForMode();
    // A relative path would be read against whatever folder the program happens to run in, so
    // only an absolute path that names an existing folder counts.
    const QString named = objTarget != nullptr ? objTarget->text() : QString();
    const QFileInfo info(named);
    setCurrentFolder(!named.isEmpty() && info.isAbsolute() && info.isDir() ? named : m_ownFolder);
}

void frmBrowse::prepareFileBrowse(QLineEdit* objTarget, const QString& defaultPath,
                                  const QString& filter) {
    start(objTarget, tr("Select a File"), kFileMode);
    m_patterns.clear();
    for (const QString& pattern : filter.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!pattern.trimmed().isEmpty()) {
            m_patterns.append(pattern.trimmed());
        }
    }
    if (m_patterns.isEmpty()) {
        m_patterns.append(QStringLiteral("*"));
    }
    placeForMode();
    setCurrentFolder(defaultPath);
}

void frmBrowse::offerNewFile(const QString& suggestedPath) {
    m_newFileOffered = true;
    txtNewFile->setText(suggestedPath);
    if (browseType == kFileMode) {
        placeForMode();
    }
}

void frmBrowse::setupScreen() {
    const int driveHeight = driveList->sizeHint().height();
    const int buttonHeight =
        std::max(cmdSelect->sizeHint().height(), cmdCancel->sizeHint().height());
    const int buttonWidth =
        std::max({kButtonWidth, cmdSelect->sizeHint().width(), cmdCancel->sizeHint().width()});

    fileList->setGeometry(kMargin + kDirListWidth + kGap, kMargin, kFileListWidth, kFileListHeight);
    dirList->setGeometry(kMargin, kMargin, kDirListWidth, kFileListHeight - driveHeight - kGap);
    driveList->setGeometry(kMargin, bottomOf(fileList) - driveHeight, kDirListWidth, driveHeight);

    const int buttonTop = bottomOf(fileList) + kGap;
    cmdSelect->setGeometry(cmdSelect->x(), buttonTop, buttonWidth, buttonHeight);
    cmdCancel->setGeometry(cmdCancel->x(), buttonTop, buttonWidth, buttonHeight);
    setFixedHeight(bottomOf(cmdSelect) + kBelowButtons);
}

void frmBrowse::placeForMode() {
    setupScreen();
    const bool fileMode = browseType == kFileMode;
    const QWidget* rightEdge = fileMode ? static_cast<QWidget*>(fileList) : dirList;
    cmdSelect->move(rightOf(rightEdge) - cmdSelect->width(), cmdSelect->y());
    cmdCancel->move(cmdSelect->x() - kGap - cmdCancel->width(), cmdSelect->y());
    fileList->setVisible(fileMode);
    setFixedWidth((fileMode ? rightOf(fileList) : dirList->width()) + 2 * dirList->x());

    const bool offerNew = fileMode && m_newFileOffered;
    txtNewFile->setVisible(offerNew);
    cmdNew->setVisible(offerNew);
    if (offerNew) {
        const int rowTop = bottomOf(cmdSelect) + kGap;
        const int rowHeight =
            std::max(txtNewFile->sizeHint().height(), cmdNew->sizeHint().height());
        const int newWidth = std::max(cmdNew->sizeHint().width(), cmdSelect->width());
        cmdNew->setGeometry(rightOf(fileList) - newWidth, rowTop, newWidth, rowHeight);
        txtNewFile->setGeometry(kMargin, rowTop, cmdNew->x() - kGap - kMargin, rowHeight);
        setFixedHeight(bottomOf(cmdNew) + kBelowButtons);
    }
}

QString frmBrowse::currentFolder() const {
    return dirList->path();
}

void frmBrowse::setCurrentFolder(const QString& path) {
    dirList->setPath(path);
}

void frmBrowse::fillDriveList() {
    QList<QStorageInfo> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) {
            volumes.append(volume);
        }
    }
    std::sort(volumes.begin(), volumes.end(), [](const QStorageInfo& a, const QStorageInfo& b) {
        return a.rootPath() < b.rootPath();
    });

    const QSignalBlocker quiet(driveList);
    driveList->clear();
    for (const QStorageInfo& volume : volumes) {
        const QString root = volume.rootPath();
        if (driveList->findData(root) >= 0) {
            continue;
        }
        const QString name = volume.displayName();
        const QString text =
            name.isEmpty() || name == root ? root : QStringLiteral("%1 (%2)").arg(root, name);
        driveList->addItem(text, root);
    }
}

void frmBrowse::showDriveOf(const QString& folder) {
    const int index = driveList->findData(QStorageInfo(folder).rootPath());
    const QSignalBlocker quiet(driveList);
    driveList->setCurrentIndex(index);
}

void frmBrowse::driveList_Change() {
    const int index = driveList->currentIndex();
    if (index >= 0) {
        dirList->setPath(driveList->itemData(index).toString());
    }
}

void frmBrowse::dirList_Change() {
    const QString folder = dirList->path();
    showDriveOf(folder);
    fileList->clear();
    if (browseType != kFileMode) {
        return;
    }
    fileList->addItems(QDir(folder).entryList(m_patterns, QDir::Files,
                                              QDir::Name | QDir::IgnoreCase | QDir::LocaleAware));
}

void frmBrowse::fileList_DblClick(QListWidgetItem* item) {
    if (item != nullptr) {
        fileList->setCurrentItem(item);
        cmdSelect_Click();
    }
}

void frmBrowse::cmdSelect_Click() {
    // Asked for a database with none picked, Select (and Enter) means the new one suggested:
    // a folder is no database.
    if (browseType == kFileMode && m_newFileOffered && fileList->selectedItems().isEmpty()) {
        cmdNew_Click();
        return;
    }
    if (targetControl != nullptr) {
        // In folder mode the answer is the folder the user highlighted, opened or not.
        QString result = browseType == kFileMode ? dirList->path() : dirList->highlightedPath();
        // With no file chosen in file mode the folder itself is the answer: adding a separator
        // and nothing after it would name no file either, and would read as a doubled separator
        // at the root.
        if (browseType == kFileMode) {
            const QList<QListWidgetItem*> chosen = fileList->selectedItems();
            if (!chosen.isEmpty()) {
                result = joinPath(result, chosen.first()->text());
            }
        }
        targetControl->setText(QDir::toNativeSeparators(result));
    }
    accept();
}

void frmBrowse::cmdCancel_Click() {
    reject();
}

void frmBrowse::cmdNew_Click() {
    QString path = txtNewFile->text().trimmed();
    if (!m_newFileOffered || path.isEmpty()) {
        return;
    }
    // A server's address goes through as typed. A bare name means a file in the folder the
    // dialog shows, not in the program's working folder.
    if (!Database::isServerLocation(path)) {
        if (QFileInfo(path).isRelative()) {
            path = joinPath(dirList->path(), path);
        }
        // A database file is named like the others, or the next browse would not list it.
        if (!path.endsWith(QLatin1String(".db"), Qt::CaseInsensitive)) {
            path += QLatin1String(".db");
        }
    }
    if (targetControl != nullptr) {
        targetControl->setText(QDir::toNativeSeparators(QDir::cleanPath(path)));
    }
    m_newFileChosen = true;
    accept();
}
