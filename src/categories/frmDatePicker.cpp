#include "categories/frmDatePicker.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

frmDatePicker::frmDatePicker(QWidget* parent)
    : QDialog(parent)
    , calander(new QCalendarWidget(this))
    , cmdOk(new QPushButton(tr("Ok"), this))
    , cmdCancel(new QPushButton(tr("Cancel"), this)) {
    setObjectName(QStringLiteral("frmDatePicker"));
    calander->setObjectName(QStringLiteral("calander"));
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    setWindowTitle(tr("Select a Date"));
    setModal(true);

    calander->setGridVisible(true);
    calander->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // Wide enough for every weekday's short name, which the calendar would otherwise cut to "...".
    int widest = 0;
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
        widest = std::max(widest, calander->fontMetrics().horizontalAdvance(
                                      calander->locale().dayName(day, QLocale::ShortFormat)));
    }
    calander->setMinimumWidth(7 * (widest + 2 * calander->fontMetrics().averageCharWidth()));
    // The calendar's own parts, named for screen readers.
    if (auto* days = calander->findChild<QWidget*>(QStringLiteral("qt_calendar_calendarview"))) {
        days->setAccessibleName(tr("Days of the month"));
    }
    if (auto* year = calander->findChild<QWidget*>(QStringLiteral("qt_calendar_yearedit"))) {
        year->setAccessibleName(tr("Year"));
    }
    cmdOk->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdOk);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(calander);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOk, &QPushButton::clicked, this, &frmDatePicker::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDatePicker::cmdCancel_Click);
    // Emitted on a double-click on a day, and on Enter in the calendar.
    connect(calander, &QCalendarWidget::activated, this, &frmDatePicker::cmdOk_Click);
}

bool frmDatePicker::pickDate(QLineEdit* thisObject, const QDateTime& thisDate) {
    preparePickDate(thisObject, thisDate);
    return exec() == QDialog::Accepted;
}

void frmDatePicker::preparePickDate(QLineEdit* thisObject, const QDateTime& thisDate) {
    targetControl = thisObject;
    const QDate day = thisDate.date();
    if (day.isValid()) {
        calander->setSelectedDate(day);
        calander->setCurrentPage(day.year(), day.month());
    }
}

void frmDatePicker::cmdOk_Click() {
    const QDate day = calander->selectedDate();
    if (targetControl != nullptr && day.isValid()) {
        targetControl->setText(
            QStringLiteral("%1/%2/%3").arg(day.day()).arg(day.month()).arg(day.year()));
    }
    accept();
}

void frmDatePicker::cmdCancel_Click() {
    reject();
}
