#include "categories/CategoryEditor.h"

#include "categories/AllocationRules.h"
#include "categories/CategoryEditorPage.h"
#include "categories/CategoryLookups.h"
#include "categories/CategoryStore.h"
#include "categories/CategoryTree.h"
#include "data/Billing.h"
#include "data/NameText.h"
#include "data/Numbers.h"
#include "data/TimeText.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "session/Shell.h"
#include "session/Workspace.h"
#include "users/UserList.h"
#include "widgets/ListHelpers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

constexpr int LargestNumber = 32767;

// The editor shows dates day first and the date picker writes d/M/yyyy, whatever the locale;
// other forms a person may type are read as the locale reads them.
QDate readStartDate(const QString& text) {
    const QDate dayFirst = QDate::fromString(text.trimmed(), QStringLiteral("d/M/yyyy"));
    return dayFirst.isValid() ? dayFirst : TimeText::parseDate(text);
}

} // namespace

CategoryEditor::CategoryEditor(Workspace& workspace, CategoryEditorPage& page,
                               CategoryTree& categories, UserList& users, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_page(page)
    , m_categories(categories)
    , m_users(users) {
    connect(page.cmdSave, &QPushButton::clicked, this, m_work.guarded([this] { cmdSave_Click(); }));
    connect(page.cmdDelete, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdDelete_Click(); }));
    connect(page.cmdBrowse_0, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdBrowse_Click(0); }));
    connect(page.picButtonCal, &QToolButton::clicked, this,
            m_work.guarded([this] { picButtonCal_Click(); }));
}

// ---------------------------------------------------------------------------------------------
// Look-up lists

void CategoryEditor::loadProductivityList() {
    m_page.cboProductivity->clear();
    m_page.cboProductivity->addItems(CategoryLookups::productivityNames(m_work.database()));
}

void CategoryEditor::loadTimeAllocationList() {
    const QStringList names = CategoryLookups::allocationPeriodNames(m_work.database());
    m_page.cboMinAllocationPeriod->clear();
    m_page.cboMaxAllocationPeriod->clear();
    m_page.cboMinAllocationPeriod->addItems(names);
    m_page.cboMaxAllocationPeriod->addItems(names);
}

std::optional<Row> CategoryEditor::getAllocationPeriod(const QString& strAllocation) {
    return CategoryLookups::getAllocationPeriod(m_work.database(), strAllocation);
}

QString CategoryEditor::getAllocationPeriodDescription(int allocationPeriod) {
    return CategoryLookups::getAllocationPeriodDescription(m_work.database(), allocationPeriod);
}

std::optional<int> CategoryEditor::getAllocationPeriodDays(int allocationPeriodId) {
    return CategoryLookups::getAllocationPeriodDays(m_work.database(), allocationPeriodId);
}

int CategoryEditor::getProductivityId(const QString& name) {
    return CategoryLookups::getProductivityId(m_work.database(), name);
}

// ---------------------------------------------------------------------------------------------
// Showing

void CategoryEditor::showCategoryProperties(category* thisCategory) {
    if (thisCategory == nullptr || thisCategory->categoryId == 0) {
        return;
    }
    const category& shown = *thisCategory;
    m_work.shell.setHeading(shown.categoryName);
    m_page.txtCategory->setText(shown.categoryName);
    m_work.shell.setTabCaption(Shell::CategoryTab, tr("Properties"));
    m_page.cmdDelete->setVisible(true);
    m_page.txtId->setText(QString::number(shown.categoryId));
    m_page.txtStartDate->setText(TimeText::format(shown.startDate, TimeText::DD_MM_YYYY));
    m_page.txtDescription->setPlainText(shown.description);
    m_work.shell.setDetails(shown.description);
    m_page.txtMinAllocated->setText(QString::number(shown.minAllocation));
    m_page.txtMaxAllocated->setText(QString::number(shown.maxAllocation));
    if (m_work.shell.currentTab() == Shell::CategoryTab) {
        m_work.shell.setHeading(
            tr("Properties for %1").arg(NameText::isolated(shown.categoryName)));
        m_work.shell.setDetails(tr("Change category setting below and click save to update"));
    }

    // The parent's own entry, not the first of its name: two categories may share one.
    const int parentEntry = shown.parentId != 0 ? m_page.cboParent->findData(shown.parentId) : 0;
    m_page.cboParent->setCurrentIndex(parentEntry >= 0 ? parentEntry : 0);

    m_page.txtCharge->setText(QString::number(shown.hourlyRate));
    setListValue(m_page.cboMinAllocationPeriod,
                 getAllocationPeriodDescription(shown.minAllocationPeriod));
    setListValue(m_page.cboMaxAllocationPeriod,
                 getAllocationPeriodDescription(shown.maxAllocationPeriod));

    // A manager who is no longer a user is shown as no manager.
    const user* manager =
        shown.ownerUserId > 0 ? m_work.state.userById(shown.ownerUserId) : nullptr;
    if (manager == nullptr || !setListValue(m_page.cboCategoryOwner, manager->userName)) {
        m_page.cboCategoryOwner->setCurrentIndex(-1);
    }

    // A rating that is not in the list shows as the usual one, not as whatever was shown last.
    if (!setListValue(m_page.cboProductivity, shown.getProductivityDescription()) ||
        m_page.cboProductivity->currentText().isEmpty()) {
        m_page.cboProductivity->setCurrentIndex(m_page.cboProductivity->count() > 1 ? 1 : 0);
    }

    m_page.txtFolder->setText(shown.folder);
    m_page.cmdSave->setEnabled(true);
    m_page.cmdDelete->setEnabled(true);
}

void CategoryEditor::showPage(category* selected) {
    if (selected != nullptr && selected->categoryId != 0) {
        showCategoryProperties(selected);
        return;
    }
    // Nothing to show: the page starts a new category as "Create a new category" does, unless
    // one is being filled in already.
    if (m_page.txtId->text().isEmpty() && m_page.txtStartDate->text().trimmed().isEmpty()) {
        clearCategoryAttributes();
    }
}

void CategoryEditor::clearCategoryAttributes() {
    m_page.txtId->clear();
    m_page.txtStartDate->setText(TimeText::format(m_work.clock.now(), TimeText::DD_MM_YYYY));
    m_page.txtCategory->clear();
    m_page.txtDescription->clear();
    m_page.txtMinAllocated->setText(QStringLiteral("0"));
    m_page.txtMaxAllocated->setText(QStringLiteral("0"));
    m_page.cboMaxAllocationPeriod->setCurrentIndex(0);
    m_page.cboMinAllocationPeriod->setCurrentIndex(0);
    m_page.txtFolder->clear();
    m_page.txtCharge->setText(QStringLiteral("0"));
    m_page.cboProductivity->setCurrentIndex(m_page.cboProductivity->count() > 1 ? 1 : 0);
    m_page.cboParent->setCurrentIndex(0);
    const user* me = m_work.state.currentUser;
    if (me == nullptr || !setListValue(m_page.cboCategoryOwner, me->userName)) {
        m_page.cboCategoryOwner->setCurrentIndex(-1);
    }
    m_work.shell.showWelcomeText();
}

// ---------------------------------------------------------------------------------------------
// Checking

struct CategoryEditor::Allocation {
    int minHours = 0;
    int maxHours = 0;
    Period minPeriod;
    Period maxPeriod;
};

void CategoryEditor::refuse(const QString& text) {
    m_work.messages.show(text, QString(), Messages::Buttons::Ok, Messages::Icon::Critical);
}

std::optional<int> CategoryEditor::wholeNumber(QLineEdit* box, const QString& field,
                                               Fraction fraction) {
    if (box->text().trimmed().isEmpty()) {
        box->setText(QStringLiteral("0"));
        return 0;
    }
    const auto number = fraction == Fraction::Refused
                            ? Numbers::toExactWholeNumber(box->text(), 0, LargestNumber)
                            : Numbers::toWholeNumber(box->text(), 0, LargestNumber);
    if (!number) {
        refuse(tr("%1 must be a whole number from 0 to %2.").arg(field).arg(LargestNumber));
    }
    return number;
}

std::optional<CategoryEditor::Period> CategoryEditor::chosenPeriod(QComboBox* list,
                                                                   const QString& field) {
    const auto row = getAllocationPeriod(list->currentText());
    if (!row || row->integer(QStringLiteral("days")) <= 0) {
        refuse(tr("Choose a period for %1.").arg(field));
        return std::nullopt;
    }
    return Period{row->integer(QStringLiteral("allocationPeriodId")),
                  row->integer(QStringLiteral("days"))};
}

CategoryEditor::AllocationResult CategoryEditor::checkAllocation(Allocation* read) {
    const QString minimumField = CategoryEditorPage::fieldName(m_page.lblMinAllocated);
    const QString maximumField = CategoryEditorPage::fieldName(m_page.lblMaxAllocated);
    const auto minHours = wholeNumber(m_page.txtMinAllocated, minimumField);
    if (!minHours) {
        return AllocationResult::Refused;
    }
    const auto maxHours = wholeNumber(m_page.txtMaxAllocated, maximumField);
    if (!maxHours) {
        return AllocationResult::Refused;
    }
    const auto minPeriod = chosenPeriod(m_page.cboMinAllocationPeriod, minimumField);
    if (!minPeriod) {
        return AllocationResult::Refused;
    }
    const auto maxPeriod = chosenPeriod(m_page.cboMaxAllocationPeriod, maximumField);
    if (!maxPeriod) {
        return AllocationResult::Refused;
    }

    const AllocationRules::Check check =
        AllocationRules::check(*minHours, minPeriod->days, *maxHours, maxPeriod->days);
    if (check.minLongerThanPeriod) {
        m_work.messages.inform(
            tr("The minimum time period is invalid there are not %1 hours in a %2")
                .arg(m_page.txtMinAllocated->text(), m_page.cboMinAllocationPeriod->currentText()));
    }
    if (check.maxLongerThanPeriod) {
        m_work.messages.inform(
            tr("The maximum time period is invalid there are not %1 hours in a %2")
                .arg(m_page.txtMaxAllocated->text(), m_page.cboMaxAllocationPeriod->currentText()));
    }
    if (read != nullptr) {
        *read = {*minHours, *maxHours, *minPeriod, *maxPeriod};
    }
    return check.valid ? AllocationResult::Valid : AllocationResult::MinimumExceedsMaximum;
}

bool CategoryEditor::validateCategoryTimeAllocation() {
    return checkAllocation() == AllocationResult::Valid;
}

category* CategoryEditor::shownCategory() const {
    bool ok = false;
    const int id = m_page.txtId->text().trimmed().toInt(&ok);
    if (!ok || id <= 0) {
        return nullptr;
    }
    ProgramState& state = m_work.state;
    if (state.selectedCategory != nullptr && state.selectedCategory->categoryId == id) {
        return state.selectedCategory;
    }
    category* found = m_categories.getCategoryById(*state.allCategories, id);
    return found != nullptr && found->categoryId == id ? found : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Saving and deleting

struct CategoryEditor::SaveInput {
    int hourlyRate = 0;
    Allocation allocation;
    QString name;
    bool isNew = true;
    category* existing = nullptr; // the record saved into, when it is not new
    int parentId = 0;
    int ownerUserId = 0;
    QDate startDay;
};

void CategoryEditor::cmdSave_Click() {
    // Every check comes before anything is written, so a refused save leaves no trace.
    SaveInput input;
    if (readNumbers(input) && readAllocation(input) && readTarget(input) && readParent(input) &&
        readManager(input) && readStartDay(input) && confirmName(input)) {
        saveRecord(input);
    }
}

bool CategoryEditor::readNumbers(SaveInput& input) {
    const auto field = &CategoryEditorPage::fieldName;
    if (!wholeNumber(m_page.txtMinAllocated, field(m_page.lblMinAllocated)) ||
        !wholeNumber(m_page.txtMaxAllocated, field(m_page.lblMaxAllocated))) {
        return false;
    }
    // Money: "85.50" is not 86.
    const auto hourlyRate =
        wholeNumber(m_page.txtCharge, field(m_page.lblCharge), Fraction::Refused);
    if (!hourlyRate) {
        return false;
    }
    input.hourlyRate = *hourlyRate;
    return true;
}

bool CategoryEditor::readAllocation(SaveInput& input) {
    switch (checkAllocation(&input.allocation)) {
    case AllocationResult::Refused:
        return false;
    case AllocationResult::MinimumExceedsMaximum:
        refuse(tr("The minimum time allocated to this category exceedes the maximum "
                  "time allocated. Please fix and try again"));
        return false;
    case AllocationResult::Valid:
        break;
    }
    return true;
}

// The name, and the record it goes into: a new one, or the one the editor shows.
bool CategoryEditor::readTarget(SaveInput& input) {
    if (m_page.txtCategory->text().isEmpty()) {
        m_page.txtCategory->setText(tr("NEW CATEGORY"));
    }
    input.name = m_page.txtCategory->text();
    input.isNew = m_page.txtId->text().trimmed().isEmpty();
    input.existing = input.isNew ? nullptr : shownCategory();
    // A category shown that is no longer loaded leaves nothing to save it into.
    return input.isNew || input.existing != nullptr;
}

bool CategoryEditor::readParent(SaveInput& input) {
    const QVariant parentData = m_page.cboParent->currentData();
    input.parentId = parentData.isValid() ? parentData.toInt() : 0;
    if (input.existing != nullptr &&
        CategoryStore::isSelfOrDescendant(m_work.database(), input.existing->categoryId,
                                          input.parentId)) {
        refuse(tr("A category cannot be placed under itself or one of its own "
                  "sub-categories. Please choose another parent."));
        return false;
    }
    return true;
}

bool CategoryEditor::readManager(SaveInput& input) {
    const QString managerName = m_page.cboCategoryOwner->currentText();
    if (managerName.isEmpty()) {
        input.ownerUserId = 0;
        return true;
    }
    // Looked up only when it is a user: a failed look-up by name would lock the window.
    const user* known = nullptr;
    if (const users* everyone = m_work.state.allUsers.get(); everyone != nullptr) {
        for (const user& each : *everyone) {
            if (each.userName == managerName) {
                known = &each;
                break;
            }
        }
    }
    if (known == nullptr) {
        refuse(tr("Choose a manager from the list."));
        return false;
    }
    const user* manager = m_users.getUserByName(managerName);
    if (manager == nullptr) {
        return false;
    }
    input.ownerUserId = manager->userId;
    return true;
}

bool CategoryEditor::readStartDay(SaveInput& input) {
    input.startDay = readStartDate(m_page.txtStartDate->text());
    if (!input.startDay.isValid()) {
        refuse(tr("Start Date must be a date, such as 7/12/2026."));
        return false;
    }
    return true;
}

// A second category of a name already used is made only when the user says so.
bool CategoryEditor::confirmName(const SaveInput& input) {
    if (!input.isNew || !m_categories.categoryExists(input.name, std::nullopt)) {
        return true;
    }
    return m_work.messages.ask(
        tr("A category called %1 already exists. Do you want to create this category anyway")
            .arg(input.name),
        tr("Existing Category"), Messages::Icon::Question);
}

void CategoryEditor::saveRecord(const SaveInput& input) {
    std::unique_ptr<category> fresh;
    if (input.isNew) {
        fresh = std::make_unique<category>(m_work.data());
    }
    category& record = input.isNew ? *fresh : *input.existing;
    const category before = record;
    record.parentId = input.parentId;
    record.minAllocationPeriodId = input.allocation.minPeriod.id;
    record.maxAllocationPeriodId = input.allocation.maxPeriod.id;
    record.categoryName = input.name;
    record.folder = m_page.txtFolder->text();
    record.description = m_page.txtDescription->toPlainText();
    record.hourlyRate = input.hourlyRate;
    record.maxAllocation = input.allocation.maxHours;
    record.minAllocation = input.allocation.minHours;
    record.ownerUserId = input.ownerUserId;
    record.productivityId = getProductivityId(m_page.cboProductivity->currentText());
    if (!record.startDate.isValid() || record.startDate.date() != input.startDay) {
        record.startDate = QDateTime(input.startDay, QTime(0, 0));
    }
    if (!input.isNew && before.hourlyRate != record.hourlyRate) {
        // Time already recorded keeps the rate it had; the new one holds from today.
        const QDate today = m_work.clock.now().date();
        Billing::setRate(m_work.database(),
                         {record.categoryId, 0, today, qint64(record.hourlyRate) * 100}, today);
    }
    try {
        record.save();
    } catch (...) {
        record = before; // nothing was stored, so the record in memory says so too
        throw;
    }
    record.refresh();

    if (input.isNew) {
        const int newId = record.categoryId;
        m_categories.loadCategoryList();
        m_categories.selectCategory(
            m_categories.getCategoryById(*m_work.state.allCategories, newId));
    } else {
        m_categories.selectCategory(&record);
    }
}

void CategoryEditor::cmdDelete_Click() {
    bool ok = false;
    const int id = m_page.txtId->text().trimmed().toInt(&ok);
    if (!ok || id <= 0) {
        return; // a new category that was never saved: there is nothing to delete
    }
    if (refuseWhileRunning(id)) {
        return;
    }
    const bool confirmed = m_work.messages.ask(
        tr("Are you sure you want to delete the %1 category and all its associated time?")
            .arg(m_page.txtCategory->text()),
        tr("Confirm Delete"));
    if (!confirmed) {
        return;
    }
    const user* me = m_work.state.currentUser;
    if (!CategoryStore::deleteCategory(m_work.database(), m_work.clock, id,
                                       me != nullptr ? me->userId : 0)) {
        refuseWhileRunning(id); // a task was started while the question was open
        return;
    }
    m_categories.loadCategoryList();
    ProgramState& state = m_work.state;
    if (state.selectedCategory == nullptr || state.selectedCategory->categoryId == 0) {
        // The category the Tasks page worked on is gone: nothing may be started on it.
        emit selectedCategoryDeleted();
    }
    clearCategoryAttributes();
}

bool CategoryEditor::refuseWhileRunning(int categoryId) {
    const int running = CategoryStore::runningTaskCount(m_work.database(), categoryId);
    if (running == 0) {
        return false;
    }
    m_work.messages.inform(
        tr("The %1 category cannot be deleted while %2 running on it. Nothing has been deleted.")
            .arg(m_page.txtCategory->text(), tr("%n tasks are", nullptr, running)),
        QString(), Messages::Icon::Warning);
    return true;
}

void CategoryEditor::cmdBrowse_Click(int index) {
    if (index == 1) {
        m_work.shell.browseDatabase();
        return;
    }
    if (const auto chosen = m_work.messages.browseFolder(m_page.txtFolder->text())) {
        m_page.txtFolder->setText(*chosen);
    }
}

void CategoryEditor::picButtonCal_Click() {
    QDate start = readStartDate(m_page.txtStartDate->text());
    if (!start.isValid()) {
        start = m_work.clock.now().date();
    }
    if (const auto chosen = m_work.messages.pickDate(start); chosen && chosen->isValid()) {
        m_page.txtStartDate->setText(
            QStringLiteral("%1/%2/%3").arg(chosen->day()).arg(chosen->month()).arg(chosen->year()));
    }
}
