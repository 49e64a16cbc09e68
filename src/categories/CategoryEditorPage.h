#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

// Page 1 of the main window's tabs: the category editor (fraDetails). The category code fills
// and reads the controls; the page builds and lays them out.
class CategoryEditorPage : public QWidget {
    Q_OBJECT

public:
    explicit CategoryEditorPage(QWidget* parent = nullptr);

    // The caption of a field, as a message names it.
    static QString fieldName(const QLabel* caption);

    QGroupBox* fraDetails;
    QLabel* lblCategoryName;
    QLineEdit* txtCategory;
    QLineEdit* txtId; // read-only: the id of the category shown, empty for a new one
    QLabel* lblParent;
    QComboBox* cboParent;
    QLabel* lblDescription;
    QPlainTextEdit* txtDescription;

    QGroupBox* Allocation; // "Time Allocation"
    QLabel* lblMinAllocated;
    QLineEdit* txtMinAllocated;
    QLabel* lblMinAllocationPeriod;
    QComboBox* cboMinAllocationPeriod;
    QLabel* lblMaxAllocated;
    QLineEdit* txtMaxAllocated;
    QLabel* lblMaxAllocationPeriod;
    QComboBox* cboMaxAllocationPeriod;

    QLabel* lblCharge;
    QLineEdit* txtCharge;
    // Records the rate in txtCharge from a day on; earlier time keeps its rate.
    QPushButton* cmdRateFrom;
    QCheckBox* chkBillable; // unticked: internal work, worth nothing
    QLabel* lblProductivity;
    QComboBox* cboProductivity;
    QLabel* lblFolder;
    QLineEdit* txtFolder;
    QPushButton* cmdBrowse_0;
    QLabel* lblCategoryOwner;
    QComboBox* cboCategoryOwner; // keeps its entries in alphabetical order, whoever adds them
    QLabel* lblStartDate;
    QLineEdit* txtStartDate;
    QToolButton* picButtonCal;
    QPushButton* cmdSave;
    QPushButton* cmdDelete; // hidden and disabled until a category is shown

private:
    void buildAllocation();
    void saveOnEnter();
};
