#include "categories/CategoryEditorPage.h"

#include "widgets/UiHelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel* caption(const QString& text, const QString& name, QWidget* buddy) {
    auto* label = named(new QLabel(text), name);
    label->setBuddy(buddy);
    return label;
}

QComboBox* choiceList(const QString& name) {
    auto* list = named(new QComboBox, name);
    list->setEditable(false);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(12);
    return list;
}

QLineEdit* numberBox(const QString& name) {
    auto* box = named(new QLineEdit, name);
    box->setAlignment(Qt::AlignRight);
    box->setFixedWidth(70);
    return box;
}

// Sorted like a list box that sorts itself: by text, ignoring case, re-sorted as entries arrive.
void keepSorted(QComboBox* list) {
    constexpr int sortKeyRole = Qt::UserRole + 100;
    auto* model = qobject_cast<QStandardItemModel*>(list->model());
    if (model == nullptr) {
        return;
    }
    model->setSortRole(sortKeyRole);
    QObject::connect(model, &QStandardItemModel::rowsInserted, list,
                     [model](const QModelIndex& parent, int first, int last) {
                         for (int row = first; row <= last; ++row) {
                             const QModelIndex index = model->index(row, 0, parent);
                             model->setData(index, index.data().toString().toCaseFolded(),
                                            sortKeyRole);
                         }
                         model->sort(0);
                     });
}

} // namespace

CategoryEditorPage::CategoryEditorPage(QWidget* parent)
    : QWidget(parent) {
    fraDetails = named(new QGroupBox(tr("Category Details")), QStringLiteral("fraDetails"));

    txtCategory = named(new QLineEdit, QStringLiteral("txtCategory"));
    lblCategoryName =
        caption(tr("Category &Name:"), QStringLiteral("lblCategoryName"), txtCategory);
    txtId = named(new QLineEdit, QStringLiteral("txtId"));
    txtId->setReadOnly(true);
    txtId->setFocusPolicy(Qt::NoFocus);
    txtId->setFixedWidth(60);
    txtId->setAlignment(Qt::AlignRight);
    txtId->setToolTip(tr("Category ID"));

    cboParent = choiceList(QStringLiteral("cboParent"));
    lblParent = caption(tr("&Parent:"), QStringLiteral("lblParent"), cboParent);

    txtDescription = named(new QPlainTextEdit, QStringLiteral("txtDescription"));
    txtDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtDescription->setTabChangesFocus(true);
    const int lineHeight = txtDescription->fontMetrics().lineSpacing();
    txtDescription->setFixedHeight(lineHeight * 3 + 12);
    lblDescription = caption(tr("&Description:"), QStringLiteral("lblDescription"), txtDescription);

    buildAllocation();

    txtCharge = numberBox(QStringLiteral("txtCharge"));
    lblCharge = caption(tr("Hourly &Rate:"), QStringLiteral("lblCharge"), txtCharge);
    cmdRateFrom = named(new QPushButton(tr("Rate from...")), QStringLiteral("cmdRateFrom"));
    cmdRateFrom->setToolTip(tr("Make this rate the one in force from a day on; time before that "
                               "day keeps the rate it had"));
    // Some styles make a button no wider than their usual width, whatever its text.
    cmdRateFrom->setMinimumWidth(cmdRateFrom->fontMetrics().horizontalAdvance(cmdRateFrom->text()) +
                                 14);
    chkBillable = named(new QCheckBox(tr("Billable")), QStringLiteral("chkBillable"));
    chkBillable->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    chkBillable->setChecked(true);
    cboProductivity = choiceList(QStringLiteral("cboProductivity"));
    lblProductivity =
        caption(tr("Pr&oductivity:"), QStringLiteral("lblProductivity"), cboProductivity);

    txtFolder = named(new QLineEdit, QStringLiteral("txtFolder"));
    lblFolder = caption(tr("&Working Folder:"), QStringLiteral("lblFolder"), txtFolder);
    cmdBrowse_0 = indexed(new QPushButton(QStringLiteral("...")), QStringLiteral("cmdBrowse"), 0);
    cmdBrowse_0->setToolTip(tr("Locate a folder on your computer"));
    cmdBrowse_0->setFixedWidth(32);

    cboCategoryOwner = choiceList(QStringLiteral("cboCategoryOwner"));
    keepSorted(cboCategoryOwner);
    lblCategoryOwner =
        caption(tr("&Manager:"), QStringLiteral("lblCategoryOwner"), cboCategoryOwner);

    txtStartDate = named(new QLineEdit, QStringLiteral("txtStartDate"));
    txtStartDate->setFixedWidth(100);
    lblStartDate = caption(tr("Start Da&te:"), QStringLiteral("lblStartDate"), txtStartDate);
    picButtonCal = named(new QToolButton, QStringLiteral("picButtonCal"));
    picButtonCal->setIcon(quillhourIcon(QStringLiteral("calendar")));
    picButtonCal->setIconSize(QSize(20, 20));
    picButtonCal->setAutoRaise(true);
    picButtonCal->setCursor(Qt::PointingHandCursor);
    picButtonCal->setToolTip(tr("Select a date"));

    cmdSave = named(new QPushButton(tr("&Save")), QStringLiteral("cmdSave"));
    cmdDelete = named(new QPushButton(tr("De&lete")), QStringLiteral("cmdDelete"));
    cmdDelete->setVisible(false);
    cmdDelete->setEnabled(false);

    // Four columns: caption, field, caption, field. Wide fields span the last three.
    auto* form = new QGridLayout(fraDetails);
    form->setColumnStretch(1, 1);
    form->setColumnStretch(3, 1);
    const Qt::Alignment captionAlign = Qt::AlignLeft | Qt::AlignVCenter;
    int row = 0;
    form->addWidget(lblCategoryName, row, 0, captionAlign);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(txtCategory, 1);
    nameRow->addWidget(txtId);
    form->addLayout(nameRow, row++, 1, 1, 3);
    form->addWidget(lblParent, row, 0, captionAlign);
    form->addWidget(cboParent, row++, 1, 1, 3);
    form->addWidget(lblDescription, row, 0, Qt::AlignLeft | Qt::AlignTop);
    form->addWidget(txtDescription, row++, 1, 1, 3);
    form->addWidget(Allocation, row++, 0, 1, 4);
    form->addWidget(lblCharge, row, 0, captionAlign);
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(txtCharge);
    rateRow->setSpacing(4);
    rateRow->addWidget(cmdRateFrom);
    rateRow->addWidget(chkBillable);
    rateRow->addStretch(1);
    form->addLayout(rateRow, row, 1);
    form->addWidget(lblProductivity, row, 2, captionAlign);
    form->addWidget(cboProductivity, row++, 3);
    form->addWidget(lblFolder, row, 0, captionAlign);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(txtFolder, 1);
    folderRow->addWidget(cmdBrowse_0);
    form->addLayout(folderRow, row++, 1, 1, 3);
    form->addWidget(lblCategoryOwner, row, 0, captionAlign);
    form->addWidget(cboCategoryOwner, row, 1);
    form->addWidget(lblStartDate, row, 2, captionAlign);
    auto* dateRow = new QHBoxLayout;
    dateRow->setSpacing(2);
    dateRow->addWidget(txtStartDate);
    dateRow->addWidget(picButtonCal);
    dateRow->addStretch(1);
    form->addLayout(dateRow, row++, 3);
    form->setRowStretch(row++, 1);
    // Delete stands apart from Save, on the far side, so Save keeps its place when it appears.
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdDelete);
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    form->addLayout(buttons, row, 0, 1, 4);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraDetails);
    saveOnEnter();
}

void CategoryEditorPage::saveOnEnter() {
    // Enter in any box of the form saves, as in a dialog.
    for (QLineEdit* box :
         {txtCategory, txtMinAllocated, txtMaxAllocated, txtCharge, txtFolder, txtStartDate}) {
        connect(box, &QLineEdit::returnPressed, cmdSave, &QPushButton::click);
    }
}

void CategoryEditorPage::buildAllocation() {
    Allocation = named(new QGroupBox(tr("Time Allocation")), QStringLiteral("Allocation"));
    txtMinAllocated = numberBox(QStringLiteral("txtMinAllocated"));
    lblMinAllocated =
        caption(tr("M&inimum Time:"), QStringLiteral("lblMinAllocated"), txtMinAllocated);
    cboMinAllocationPeriod = choiceList(QStringLiteral("cboMinAllocationPeriod"));
    lblMinAllocationPeriod =
        caption(tr("Hours per:"), QStringLiteral("lblMinAllocationPeriod"), cboMinAllocationPeriod);
    txtMaxAllocated = numberBox(QStringLiteral("txtMaxAllocated"));
    lblMaxAllocated =
        caption(tr("Ma&ximum Time:"), QStringLiteral("lblMaxAllocated"), txtMaxAllocated);
    cboMaxAllocationPeriod = choiceList(QStringLiteral("cboMaxAllocationPeriod"));
    lblMaxAllocationPeriod =
        caption(tr("Hours per:"), QStringLiteral("lblMaxAllocationPeriod"), cboMaxAllocationPeriod);

    auto* grid = new QGridLayout(Allocation);
    grid->addWidget(lblMinAllocated, 0, 0);
    grid->addWidget(txtMinAllocated, 0, 1);
    grid->addWidget(lblMinAllocationPeriod, 0, 2);
    grid->addWidget(cboMinAllocationPeriod, 0, 3);
    grid->addWidget(lblMaxAllocated, 1, 0);
    grid->addWidget(txtMaxAllocated, 1, 1);
    grid->addWidget(lblMaxAllocationPeriod, 1, 2);
    grid->addWidget(cboMaxAllocationPeriod, 1, 3);
    grid->setColumnStretch(4, 1);
    grid->setHorizontalSpacing(10);
}

// The caption of a field, as a message names it: as it reads, without the "&" that marks its
// Alt key ("&&" reads as one "&").
QString CategoryEditorPage::fieldName(const QLabel* caption) {
    const QString marked = caption->text().trimmed();
    QString text;
    for (qsizetype i = 0; i < marked.size(); ++i) {
        if (marked[i] == QLatin1Char('&') && i + 1 < marked.size()) {
            ++i;
        }
        text += marked[i];
    }
    if (text.endsWith(QLatin1Char(':'))) {
        text.chop(1);
    }
    return text;
}
