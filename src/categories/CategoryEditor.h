#pragma once

#include "data/ResultSet.h"

#include <QObject>
#include <QString>
#include <optional>

class category;
class CategoryEditorPage;
class CategoryTree;
class UserList;
struct Workspace;
class QComboBox;
class QLineEdit;

// The category editor on page 1: showing, creating, validating, saving and deleting categories,
// and the look-up lists of allocation periods and productivity ratings.
class CategoryEditor : public QObject {
    Q_OBJECT

public:
    // categories looks categories up and selects the one saved; users gives the managers.
    CategoryEditor(Workspace& workspace, CategoryEditorPage& page, CategoryTree& categories,
                   UserList& users, QObject* parent = nullptr);

    void loadProductivityList();
    void loadTimeAllocationList();
    // Fills the editor from a category; the placeholder (id 0) leaves it as it is.
    void showCategoryProperties(category* thisCategory);
    // What the page shows when it is opened: the selected category, or a new one.
    void showPage(category* selected);
    // Empties the editor for a new category.
    void clearCategoryAttributes();
    // True when the minimum allocation, in hours per day, does not exceed the maximum. An
    // allocation longer than its period is pointed out but does not make it false; a number or
    // period that cannot be used does (and is pointed out).
    bool validateCategoryTimeAllocation();

    // The look-ups of the periods and ratings by the names the lists show.
    std::optional<Row> getAllocationPeriod(const QString& strAllocation);
    QString getAllocationPeriodDescription(int allocationPeriod);
    std::optional<int> getAllocationPeriodDays(int allocationPeriodId);
    int getProductivityId(const QString& name);

    void cmdSave_Click();
    void cmdDelete_Click();
    // Index 0: the working folder of this editor; index 1: the database file of the Settings
    // page, which the main window looks after.
    void cmdBrowse_Click(int index);
    void picButtonCal_Click();

signals:
    // The category the Tasks page worked on was deleted: nothing may be started on it.
    void selectedCategoryDeleted();

private:
    enum class AllocationResult { Valid, MinimumExceedsMaximum, Refused };
    struct Period {
        int id = 0;
        int days = 0;
    };
    struct Allocation; // both allocations as read

    struct SaveInput; // what a save writes, read from the editor as its checks pass
    // The steps of a save in order; a step answers false when the save goes no further.
    bool readNumbers(SaveInput& input);
    bool readAllocation(SaveInput& input);
    bool readTarget(SaveInput& input);
    bool readParent(SaveInput& input);
    bool readManager(SaveInput& input);
    bool readStartDay(SaveInput& input);
    bool confirmName(const SaveInput& input);
    void saveRecord(const SaveInput& input);

    // Reads and checks both allocations; what was read goes into read when it is given.
    AllocationResult checkAllocation(Allocation* read = nullptr);
    // Whether a number with a fraction is rounded to the nearest whole number or refused.
    enum class Fraction { Rounded, Refused };
    // The whole number in a box (an empty box counts as 0 and is set to "0"); nothing, with
    // the user told, when it is not a whole number from 0 to 32767.
    std::optional<int> wholeNumber(QLineEdit* box, const QString& field,
                                   Fraction fraction = Fraction::Rounded);
    // The period chosen in a list; nothing, with the user told, when none is chosen or it
    // lasts no days.
    std::optional<Period> chosenPeriod(QComboBox* list, const QString& field);
    // The stored category the editor shows (its id is in txtId), or nullptr.
    category* shownCategory() const;
    void refuse(const QString& text);
    // Tells the user, and answers true, when tasks run on the category: it cannot be deleted.
    bool refuseWhileRunning(int categoryId);

    Workspace& m_work;
    CategoryEditorPage& m_page;
    CategoryTree& m_categories;
    UserList& m_users;
};
