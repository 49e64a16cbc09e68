#include "categories/FolderList.h"
#include "categories/frmBrowse.h"
#include "categories/frmDatePicker.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void touch(const QString& path) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

QStringList fileNames(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i) {
        names.append(list->item(i)->text());
    }
    return names;
}

int bottomOf(const QWidget* widget) {
    return widget->y() + widget->height();
}

int rightOf(const QWidget* widget) {
    return widget->x() + widget->width();
}

// What a real double-click delivers: press and release, then the double-click and its release.
void doubleClick(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

} // namespace

// The folder, file and date pickers that fill the main window's text boxes.
class PickersTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void folderModeStartsInOwnFolderWithoutAValidTarget_data();
    void folderModeStartsInOwnFolderWithoutAValidTarget();
    void folderModeStartsInTargetAndSelectWritesItBack();
    void folderListShowsTheWayUpAndEntersOnDoubleClick();
    void drivesListMountedVolumesAndMoveToTheirRoot();

    void fileModeListsOnlyMatchingFiles();
    void selectWritesFolderAndFileWithOneSeparator();
    void selectWithNoFileWritesTheFolder();
    void doubleClickOnAFileWritesAndCloses();
    void missingStartFolderFallsBackToNearestParent();
    void cancelLeavesTheTargetAlone();

    void newFileWritesSuggestedOrEditedPath();

    void layoutFollowsTheRules();

    void datePickerShowsTheDayAndWritesItWithoutZeros_data();
    void datePickerShowsTheDayAndWritesItWithoutZeros();
    void doubleClickOnADayConfirms();
    void cancelledDatePickerLeavesTheTargetAlone();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_own;
    QString m_work;
};

void PickersTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QDir root(m_dir->path());
    QVERIFY(root.mkpath(QStringLiteral("own")));
    QVERIFY(root.mkpath(QStringLiteral("work/Beta")));
    QVERIFY(root.mkpath(QStringLiteral("work/alpha/deeper")));
    QVERIFY(root.mkpath(QStringLiteral("work/.hidden")));
    m_own = root.filePath(QStringLiteral("own"));
    m_work = root.filePath(QStringLiteral("work"));
    for (const char* name : {"team.db", "Archive.DB", "notes.txt", "team.db.bak", ".secret.db"}) {
        touch(m_work + QLatin1Char('/') + QLatin1String(name));
    }
    touch(m_work + QStringLiteral("/alpha/inner.db"));
    QVERIFY(root.mkpath(QStringLiteral("work/folder.db")));
}

void PickersTest::folderModeStartsInOwnFolderWithoutAValidTarget_data() {
    QTest::addColumn<QString>("targetText");
    QTest::newRow("empty") << QString();
    QTest::newRow("missing folder") << QStringLiteral("/no/such/folder/anywhere");
    QTest::newRow("a file, not a folder") << QStringLiteral("@work/team.db");
    QTest::newRow("relative path") << QStringLiteral(".");
}

void PickersTest::folderModeStartsInOwnFolderWithoutAValidTarget() {
    QFETCH(QString, targetText);
    targetText.replace(QStringLiteral("@work"), m_work);
    QLineEdit target(targetText);
    frmBrowse browse(m_own);
    browse.prepareFolderBrowse(&target);
    QCOMPARE(browse.windowTitle(), QStringLiteral("Select a Folder"));
    QCOMPARE(browse.currentFolder(), m_own);
    QCOMPARE(target.text(), targetText);
    browse.cmdSelect_Click();
    QCOMPARE(target.text(), m_own);
    QCOMPARE(browse.result(), int(QDialog::Accepted));
}

void PickersTest::folderModeStartsInTargetAndSelectWritesItBack() {
    QLineEdit target(m_work);
    frmBrowse browse(m_own);
    browse.prepareFolderBrowse(&target);
    QCOMPARE(browse.currentFolder(), m_work);
    QVERIFY(browse.fileList->isHidden());
    QVERIFY(browse.cmdSelect->isDefault());
    QCOMPARE(browse.cmdSelect->text(), QStringLiteral("Select"));
    QCOMPARE(browse.cmdCancel->text(), QStringLiteral("Cancel"));
    browse.cmdSelect_Click();
    QCOMPARE(target.text(), m_work);

    // Moving first writes the folder moved to.
    QLineEdit second(m_work);
    frmBrowse again(m_own);
    again.prepareFolderBrowse(&second);
    again.setCurrentFolder(m_work + QStringLiteral("/alpha/"));
    again.cmdSelect_Click();
    QCOMPARE(second.text(), m_work + QStringLiteral("/alpha"));

    // A folder highlighted with one click, not opened, is the one Select takes.
    QLineEdit third(m_work);
    frmBrowse clicked(m_own);
    clicked.prepareFolderBrowse(&third);
    clicked.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clicked));
    QTreeWidgetItem* beta = clicked.dirList->entryFor(m_work + QStringLiteral("/Beta"));
    QVERIFY(beta != nullptr);
    QTest::mouseClick(clicked.dirList->viewport(), Qt::LeftButton, {},
                      clicked.dirList->visualItemRect(beta).center());
    QCOMPARE(clicked.currentFolder(), m_work); // highlighted only
    QTest::mouseClick(clicked.cmdSelect, Qt::LeftButton);
    QCOMPARE(third.text(), m_work + QStringLiteral("/Beta"));
}

void PickersTest::folderListShowsTheWayUpAndEntersOnDoubleClick() {
    QLineEdit target;
    frmBrowse browse(m_own);
    browse.prepareFileBrowse(&target, m_work, QStringLiteral("*.db"));
    browse.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browse));
    FolderList* folders = browse.dirList;
    // Every folder from the root down, the current one marked, then its visible subfolders.
    QVERIFY(folders->entryFor(QStringLiteral("/")) != nullptr);
    QVERIFY(folders->entryFor(m_dir->path()) != nullptr);
    QCOMPARE(folders->currentItem(), folders->entryFor(m_work));
    QCOMPARE(folders->subfolders(), (QStringList{QStringLiteral("alpha"), QStringLiteral("Beta"),
                                                 QStringLiteral("folder.db")}));

    QTreeWidgetItem* alpha = folders->entryFor(m_work + QStringLiteral("/alpha"));
    QVERIFY(alpha != nullptr);
    const QPoint alphaAt = folders->visualItemRect(alpha).center();
    doubleClick(folders->viewport(), alphaAt);
    QCOMPARE(browse.currentFolder(), m_work + QStringLiteral("/alpha"));
    QCOMPARE(fileNames(browse.fileList), QStringList{QStringLiteral("inner.db")});
    QCOMPARE(folders->subfolders(), QStringList{QStringLiteral("deeper")});

    // Up again by a double-click on the parent's entry.
    QTreeWidgetItem* parent = folders->entryFor(m_work);
    doubleClick(folders->viewport(), folders->visualItemRect(parent).center());
    QCOMPARE(browse.currentFolder(), m_work);
    QVERIFY(fileNames(browse.fileList).contains(QStringLiteral("team.db")));
    QVERIFY(browse.isVisible());
    QCOMPARE(target.text(), QString());
}

void PickersTest::drivesListMountedVolumesAndMoveToTheirRoot() {
    QLineEdit target(m_work);
    frmBrowse browse(m_own);
    browse.prepareFolderBrowse(&target);
    QComboBox* drives = browse.driveList;
    QVERIFY(drives->count() > 0);
    // The drive of the current folder is the one shown.
    QCOMPARE(drives->currentData().toString(), QStorageInfo(m_work).rootPath());

    const int last = drives->count() - 1;
    const QString root = drives->itemData(last).toString();
    QVERIFY(drives->itemText(last).startsWith(root));
    if (drives->currentIndex() == last) {
        drives->setCurrentIndex(-1);
    }
    drives->setCurrentIndex(last);
    QCOMPARE(browse.currentFolder(), QDir::cleanPath(root));
    QCOMPARE(drives->currentIndex(), last);
    browse.cmdSelect_Click();
    QCOMPARE(target.text(), QDir::cleanPath(root));
}

void PickersTest::fileModeListsOnlyMatchingFiles() {
    QLineEdit target(QStringLiteral("unchanged"));
    frmBrowse browse(m_own);
    browse.prepareFileBrowse(&target, m_work, QStringLiteral("*.db"));
    QCOMPARE(browse.windowTitle(), QStringLiteral("Select a File"));
    QVERIFY(!browse.fileList->isHidden());
    QCOMPARE(browse.currentFolder(), m_work);
    // Hidden files and folders whose name matches are no files to pick.
    QCOMPARE(fileNames(browse.fileList),
             (QStringList{QStringLiteral("Archive.DB"), QStringLiteral("team.db")}));
    QVERIFY(browse.fileList->selectedItems().isEmpty());

    frmBrowse several(m_own);
    several.prepareFileBrowse(&target, m_work, QStringLiteral("*.txt;*.bak"));
    QCOMPARE(fileNames(several.fileList),
             (QStringList{QStringLiteral("notes.txt"), QStringLiteral("team.db.bak")}));
}

void PickersTest::selectWritesFolderAndFileWithOneSeparator() {
    QLineEdit target;
    frmBrowse browse(m_own);
    // A start folder written with a trailing separator must not double it.
    browse.prepareFileBrowse(&target, m_work + QLatin1Char('/'), QStringLiteral("*.db"));
    const QList<QListWidgetItem*> team =
        browse.fileList->findItems(QStringLiteral("team.db"), Qt::MatchExactly);
    QCOMPARE(team.size(), 1);
    browse.fileList->setCurrentItem(team.first());
    browse.cmdSelect_Click();
    QCOMPARE(target.text(), m_work + QStringLiteral("/team.db"));
    QCOMPARE(browse.result(), int(QDialog::Accepted));

    // At the root the separator is already there.
    QLineEdit atRoot;
    frmBrowse root(m_own);
    root.prepareFileBrowse(&atRoot, QStringLiteral("/"), QStringLiteral("*.db"));
    QCOMPARE(root.currentFolder(), QStringLiteral("/"));
    root.fileList->addItem(QStringLiteral("name.db"));
    root.fileList->setCurrentRow(root.fileList->count() - 1);
    root.cmdSelect_Click();
    QCOMPARE(atRoot.text(), QStringLiteral("/name.db"));
    QCOMPARE(joinPath(QStringLiteral("/"), QStringLiteral("name.db")), QStringLiteral("/name.db"));
}

void PickersTest::selectWithNoFileWritesTheFolder() {
    QLineEdit target(QStringLiteral("old.db"));
    frmBrowse browse(m_own);
    browse.prepareFileBrowse(&target, m_work, QStringLiteral("*.db"));
    browse.cmdSelect_Click();
    QCOMPARE(target.text(), m_work);

    QLineEdit atRoot;
    frmBrowse root(m_own);
    root.prepareFileBrowse(&atRoot, QStringLiteral("/"), QStringLiteral("*.db"));
    root.cmdSelect_Click();
    QCOMPARE(atRoot.text(), QStringLiteral("/"));
}

void PickersTest::doubleClickOnAFileWritesAndCloses() {
    QLineEdit target(QStringLiteral("old.db"));
    frmBrowse browse(m_own);
    browse.prepareFileBrowse(&target, m_work, QStringLiteral("*.db"));
    browse.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browse));
    QListWidgetItem* archive =
        browse.fileList->findItems(QStringLiteral("Archive.DB"), Qt::MatchExactly).value(0);
    QVERIFY(archive != nullptr);
    doubleClick(browse.fileList->viewport(), browse.fileList->visualItemRect(archive).center());
    QCOMPARE(target.text(), m_work + QStringLiteral("/Archive.DB"));
    QVERIFY(!browse.isVisible());
    QCOMPARE(browse.result(), int(QDialog::Accepted));
}

void PickersTest::missingStartFolderFallsBackToNearestParent() {
    QLineEdit target;
    frmBrowse browse(m_own);
    browse.prepareFileBrowse(&target, m_work + QStringLiteral("/gone/also-gone"),
                             QStringLiteral("*.db"));
    QCOMPARE(browse.currentFolder(), m_work);
    QVERIFY(fileNames(browse.fileList).contains(QStringLiteral("team.db")));
}

void PickersTest::cancelLeavesTheTargetAlone() {
    QLineEdit folderTarget(m_work);
    frmBrowse folders(m_own);
    folders.prepareFolderBrowse(&folderTarget);
    folders.setCurrentFolder(m_own);
    folders.cmdCancel_Click();
    QCOMPARE(folderTarget.text(), m_work);
    QCOMPARE(folders.result(), int(QDialog::Rejected));

    QLineEdit fileTarget(QStringLiteral("/somewhere/else.db"));
    frmBrowse files(m_own);
    files.prepareFileBrowse(&fileTarget, m_work, QStringLiteral("*.db"));
    files.fileList->setCurrentRow(0);
    files.cmdCancel_Click();
    QCOMPARE(fileTarget.text(), QStringLiteral("/somewhere/else.db"));
    QCOMPARE(files.result(), int(QDialog::Rejected));

    // Escape is the cancel key.
    QLineEdit escTarget(QStringLiteral("kept"));
    frmBrowse escaped(m_own);
    escaped.prepareFileBrowse(&escTarget, m_work, QStringLiteral("*.db"));
    escaped.show();
    QVERIFY(QTest::qWaitForWindowExposed(&escaped));
    escaped.fileList->setCurrentRow(0);
    QTest::keyClick(escaped.fileList, Qt::Key_Escape);
    QVERIFY(!escaped.isVisible());
    QCOMPARE(escTarget.text(), QStringLiteral("kept"));
}

void PickersTest::newFileWritesSuggestedOrEditedPath() {
    const QString suggested = m_own + QStringLiteral("/quillhour.db");
    QLineEdit target(QStringLiteral("/missing/quillhour.db"));
    frmBrowse browse(m_own);
    browse.offerNewFile(suggested);
    browse.prepareFileBrowse(&target, m_own, QStringLiteral("*.db"));
    QVERIFY(!browse.txtNewFile->isHidden());
    QVERIFY(!browse.cmdNew->isHidden());
    QCOMPARE(browse.cmdNew->text(), QStringLiteral("New Database"));
    QCOMPARE(browse.txtNewFile->text(), suggested);
    browse.cmdNew->click();
    QCOMPARE(target.text(), suggested);
    QCOMPARE(browse.result(), int(QDialog::Accepted));
    QVERIFY(browse.newFileChosen());

    QLineEdit edited;
    frmBrowse again(m_own);
    again.prepareFileBrowse(&edited, m_work, QStringLiteral("*.db"));
    again.offerNewFile(suggested);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    again.txtNewFile->clear();
    QVERIFY(!again.cmdNew->isEnabled());
    // A bare name is made in the folder being shown; Enter in the box means New, not Select.
    QTest::keyClicks(again.txtNewFile, QStringLiteral("shared.db"));
    QTest::keyClick(again.txtNewFile, Qt::Key_Return);
    QCOMPARE(edited.text(), m_work + QStringLiteral("/shared.db"));
    QVERIFY(again.newFileChosen());
    QVERIFY(!again.isVisible());

    // A name without ".db" gets it, as the files the dialog lists have it.
    QLineEdit bare;
    frmBrowse named(m_own);
    named.prepareFileBrowse(&bare, m_work, QStringLiteral("*.db"));
    named.offerNewFile(QStringLiteral("team"));
    named.cmdNew->click();
    QCOMPARE(bare.text(), m_work + QStringLiteral("/team.db"));

    // Select, the key Enter presses, with no file picked is the suggested new file, never the
    // folder shown.
    QLineEdit byDefault;
    frmBrowse fourth(m_own);
    fourth.offerNewFile(suggested);
    fourth.prepareFileBrowse(&byDefault, m_work, QStringLiteral("*.db"));
    fourth.cmdSelect->click();
    QCOMPARE(byDefault.text(), suggested);
    QVERIFY(fourth.newFileChosen());

    // Picking an existing file instead is not a new file.
    QLineEdit picked;
    frmBrowse third(m_own);
    third.offerNewFile(suggested);
    third.prepareFileBrowse(&picked, m_work, QStringLiteral("*.db"));
    third.fileList->setCurrentRow(0);
    third.cmdSelect_Click();
    QCOMPARE(picked.text(), m_work + QStringLiteral("/Archive.DB"));
    QVERIFY(!third.newFileChosen());

    // Not offered, or in folder mode: no new-file row, and the slot does nothing.
    QLineEdit untouched(m_work);
    frmBrowse plain(m_own);
    plain.prepareFileBrowse(&untouched, m_work, QStringLiteral("*.db"));
    QVERIFY(plain.txtNewFile->isHidden() && plain.cmdNew->isHidden());
    plain.cmdNew_Click();
    QCOMPARE(untouched.text(), m_work);
    third.prepareFolderBrowse(&untouched);
    QVERIFY(third.txtNewFile->isHidden() && third.cmdNew->isHidden());
}

void PickersTest::layoutFollowsTheRules() {
    QLineEdit target(m_work);
    frmBrowse browse(m_own);

    auto checkCommon = [&] {
        QCOMPARE(browse.fileList->height(), 190);
        QCOMPARE(browse.dirList->height(), 190 - browse.driveList->height() - 10);
        QCOMPARE(browse.driveList->x(), browse.dirList->x());
        QCOMPARE(bottomOf(browse.driveList), bottomOf(browse.fileList));
        QCOMPARE(browse.cmdSelect->y(), bottomOf(browse.fileList) + 10);
        QCOMPARE(browse.cmdCancel->y(), bottomOf(browse.fileList) + 10);
        QCOMPARE(rightOf(browse.cmdCancel), browse.cmdSelect->x() - 10);
        QVERIFY(browse.cmdCancel->x() >= browse.dirList->x());
        QVERIFY(browse.driveList->height() > 0);
    };

    browse.prepareFolderBrowse(&target);
    checkCommon();
    QCOMPARE(rightOf(browse.cmdSelect), rightOf(browse.dirList));
    QCOMPARE(browse.width(), browse.dirList->width() + 2 * browse.dirList->x());
    QCOMPARE(browse.height(), bottomOf(browse.cmdSelect) + 35);
    const int folderWidth = browse.width();

    browse.prepareFileBrowse(&target, m_work, QStringLiteral("*.db"));
    checkCommon();
    QCOMPARE(browse.fileList->y(), browse.dirList->y());
    QVERIFY(browse.fileList->x() > rightOf(browse.dirList));
    QCOMPARE(rightOf(browse.cmdSelect), rightOf(browse.fileList));
    QCOMPARE(browse.width(), rightOf(browse.fileList) + 2 * browse.dirList->x());
    QCOMPARE(browse.height(), bottomOf(browse.cmdSelect) + 35);
    QVERIFY(browse.width() > folderWidth);

    // Back in folder mode the dialog is as before.
    browse.prepareFolderBrowse(&target);
    QCOMPARE(browse.width(), folderWidth);
    QVERIFY(browse.fileList->isHidden());

    // The new-file row sits below the buttons, inside the window.
    browse.offerNewFile(m_own + QStringLiteral("/quillhour.db"));
    browse.prepareFileBrowse(&target, m_work, QStringLiteral("*.db"));
    checkCommon();
    QVERIFY(browse.txtNewFile->y() > bottomOf(browse.cmdSelect));
    QCOMPARE(rightOf(browse.cmdNew), rightOf(browse.fileList));
    QVERIFY(rightOf(browse.txtNewFile) < browse.cmdNew->x());
    QCOMPARE(browse.height(), bottomOf(browse.cmdNew) + 35);
}

void PickersTest::datePickerShowsTheDayAndWritesItWithoutZeros_data() {
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("written");
    QTest::newRow("end of year") << QDate(2005, 12, 31) << QStringLiteral("31/12/2005");
    QTest::newRow("single digits") << QDate(2005, 3, 5) << QStringLiteral("5/3/2005");
    QTest::newRow("leap day") << QDate(2024, 2, 29) << QStringLiteral("29/2/2024");
}

void PickersTest::datePickerShowsTheDayAndWritesItWithoutZeros() {
    QFETCH(QDate, day);
    QFETCH(QString, written);
    // Whatever the regional format, the text is day/month/year.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QLineEdit target(QStringLiteral("old"));
    frmDatePicker picker;
    QCOMPARE(picker.windowTitle(), QStringLiteral("Select a Date"));
    QCOMPARE(picker.cmdOk->text(), QStringLiteral("Ok"));
    QCOMPARE(picker.cmdCancel->text(), QStringLiteral("Cancel"));
    QVERIFY(picker.cmdOk->isDefault());
    picker.preparePickDate(&target, QDateTime(day, QTime(23, 59, 59)));
    QCOMPARE(picker.calander->selectedDate(), day);
    QCOMPARE(picker.calander->monthShown(), day.month());
    QCOMPARE(picker.calander->yearShown(), day.year());
    QCOMPARE(target.text(), QStringLiteral("old"));
    picker.cmdOk_Click();
    QCOMPARE(target.text(), written);
    QCOMPARE(picker.result(), int(QDialog::Accepted));
}

void PickersTest::doubleClickOnADayConfirms() {
    QLineEdit target;
    frmDatePicker picker;
    picker.preparePickDate(&target, QDateTime(QDate(2005, 12, 31), QTime(9, 0)));
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    auto* days = picker.calander->findChild<QTableView*>();
    QVERIFY(days != nullptr);
    // The 15th appears once in any month's grid; the neighbouring months show only lower or
    // higher numbers.
    QModelIndex fifteenth;
    for (int row = 0; row < days->model()->rowCount() && !fifteenth.isValid(); ++row) {
        for (int column = 0; column < days->model()->columnCount(); ++column) {
            const QModelIndex cell = days->model()->index(row, column);
            if (cell.data().toString() == QLatin1String("15")) {
                fifteenth = cell;
                break;
            }
        }
    }
    QVERIFY(fifteenth.isValid());
    doubleClick(days->viewport(), days->visualRect(fifteenth).center());
    QCOMPARE(target.text(), QStringLiteral("15/12/2005"));
    QVERIFY(!picker.isVisible());
    QCOMPARE(picker.result(), int(QDialog::Accepted));
}

void PickersTest::cancelledDatePickerLeavesTheTargetAlone() {
    QLineEdit target(QStringLiteral("07/12/2026"));
    frmDatePicker picker;
    picker.preparePickDate(&target, QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    picker.calander->setSelectedDate(QDate(2026, 12, 25));
    picker.cmdCancel_Click();
    QCOMPARE(target.text(), QStringLiteral("07/12/2026"));
    QCOMPARE(picker.result(), int(QDialog::Rejected));

    // A second opening starts afresh from the date it is given.
    picker.preparePickDate(&target, QDateTime(QDate(2005, 3, 5), QTime(10, 0)));
    QCOMPARE(picker.calander->selectedDate(), QDate(2005, 3, 5));
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    QTest::keyClick(&picker, Qt::Key_Escape);
    QVERIFY(!picker.isVisible());
    QCOMPARE(target.text(), QStringLiteral("07/12/2026"));
}

QTEST_MAIN(PickersTest)
#include "tst_pickers.moc"
