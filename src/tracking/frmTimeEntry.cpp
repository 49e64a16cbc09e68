#include "tracking/frmTimeEntry.h"

#include "data/TimeText.h"
#include "widgets/ElidedComboBox.h"
#include "widgets/UiHelpers.h"
#include "widgets/WrappingLabel.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

    namespace {

    QTime toTheMinute(const QTime& time) {
        return QTime(time.hour(), time.minute());
    }

} // namespace

frmTimeEntry::frmTimeEntry(Mode mode, QWidget* parent)
    : QDialog(parent)
    , m_mode(mode) {
    setObjectName(QStringLiteral("frmTimeEntry"));
    switch (mode) {
    case Mode::Edit:
        setWindowTitle(tr("Edit Time"));
        break;
    case Mode::Add:
        setWindowTitle(tr("Add Time"));
        break;
    case Mode::Start:
        setWindowTitle(tr("Change Start"));
        break;
    }
    // Names of any length wrap, within a word too, rather than widen the dialog.
    lblRights = named(new WrappingLabel, QStringLiteral("lblRights"));
    lblRights->setVisible(false);
    dtpDate = named(new QDateEdit, QStringLiteral("dtpDate"));
    dtpDate->setCalendarPopup(true);
    dtpDate->setDisplayFormat(TimeText::DD_MM_YYYY);
    txtStartTime = named(new QTimeEdit, QStringLiteral("txtStartTime"));
    txtStartTime->setDisplayFormat(TimeText::HH_MM);
    txtEndTime = named(new QTimeEdit, QStringLiteral("txtEndTime"));
    txtEndTime->setDisplayFormat(TimeText::HH_MM);
    txtMinutes = named(new QSpinBox, QStringLiteral("txtMinutes"));
    txtMinutes->setRange(1, TimeCorrection::LongestMinutes);
    txtMinutes->setSuffix(tr(" minutes"));
    lblEnds = named(new QLabel, QStringLiteral("lblEnds"));
    // A long category path is cut short: the dialog keeps its width, and Save stays in view.
    cboCategory = named(new ElidedComboBox(30), QStringLiteral("cboCategory"));
    cmdSave = named(new QPushButton(tr("Save")), QStringLiteral("cmdSave"));
    cmdSave->setDefault(true);
    cmdCancel = named(new QPushButton(tr("Cancel")), QStringLiteral("cmdCancel"));

    auto* form = new QFormLayout;
    form->addRow(tr("Date:"), dtpDate);
    form->addRow(tr("Start time:"), txtStartTime);
    if (mode != Mode::Start) {
        form->addRow(tr("End time:"), txtEndTime);
        form->addRow(tr("Duration:"), txtMinutes);
        form->addRow(QString(), lblEnds);
        form->addRow(tr("Category:"), cboCategory);
    } else {
        // Not laid out, but kept by the dialog like the others.
        for (QWidget* unused :
             std::initializer_list<QWidget*>{txtEndTime, txtMinutes, lblEnds, cboCategory}) {
            unused->setParent(this);
            unused->setVisible(false);
        }
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblRights);
    layout->addLayout(form);
    layout->addLayout(buttons);

    // A field set back to what the row holds counts as left alone.
    connect(dtpDate, &QDateEdit::dateChanged, this, [this] {
        m_dateEdited = dtpDate->date() != m_start.date();
        showResult();
    });
    connect(txtStartTime, &QTimeEdit::timeChanged, this, [this] {
        m_startEdited = txtStartTime->time() != toTheMinute(m_start.time());
        showResult();
    });
    connect(txtEndTime, &QTimeEdit::timeChanged, this, &frmTimeEntry::endChanged);
    connect(txtMinutes, &QSpinBox::valueChanged, this, &frmTimeEntry::minutesChanged);
    connect(cmdSave, &QPushButton::clicked, this, &frmTimeEntry::saveRequested);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmTimeEntry::setCategories(const std::vector<std::pair<int, QString>>& categories,
                                 int chosen) {
    cboCategory->clear();
    for (const auto& [id, text] : categories) {
        cboCategory->addItem(text, id);
    }
    chooseCategory(chosen);
}

void frmTimeEntry::chooseCategory(int categoryId) {
    int index = cboCategory->findData(categoryId);
    if (index < 0 && categoryId > 0) {
        // A category made elsewhere since this window read its categories: the row keeps it,
        // rather than moving to whatever the list shows first.
        cboCategory->addItem(tr("Category no. %1").arg(categoryId), categoryId);
        index = cboCategory->count() - 1;
    }
    cboCategory->setCurrentIndex(std::max(0, index));
}

void frmTimeEntry::setTimes(const QDateTime& start, const QDateTime& end) {
    m_start = start;
    m_end = end;
    {
        const QSignalBlocker a(dtpDate), b(txtStartTime), c(txtEndTime), d(txtMinutes);
        dtpDate->setDate(start.date());
        txtStartTime->setTime(toTheMinute(start.time()));
        if (end.isValid()) {
            txtEndTime->setTime(toTheMinute(end.time()));
        }
    }
    m_dateEdited = m_startEdited = m_endEdited = m_minutesEdited = false;
    showResult();
}

void frmTimeEntry::setReadOnly(const QString& sentence) {
    lblRights->setText(sentence);
    lblRights->setVisible(true);
    for (QWidget* field : std::initializer_list<QWidget*>{dtpDate, txtStartTime, txtEndTime,
                                                          txtMinutes, cboCategory}) {
        field->setEnabled(false);
    }
    cmdSave->setVisible(false);
    cmdCancel->setText(tr("Close"));
    cmdCancel->setDefault(true);
}

QDateTime frmTimeEntry::startTime() const {
    if (!m_startEdited && !m_dateEdited) {
        return m_start;
    }
    return QDateTime(dtpDate->date(),
                     m_startEdited ? toTheMinute(txtStartTime->time()) : m_start.time());
}

QDateTime frmTimeEntry::endTime() const {
    const QDateTime start = startTime();
    if (m_minutesEdited) {
        return start.addSecs(qint64(txtMinutes->value()) * 60);
    }
    if (!m_endEdited && m_end.isValid()) {
        // A new date moves the end with it, by as many days.
        const QDateTime kept = m_end.addDays(m_start.date().daysTo(dtpDate->date()));
        if (kept > start) {
            return kept;
        }
    }
    // An end time not after the start is on the next day.
    QDateTime end(start.date(), toTheMinute(txtEndTime->time()));
    if (end <= start) {
        end = end.addDays(1);
    }
    return end;
}

TimeCorrection::Times frmTimeEntry::times() const {
    return {startTime(), endTime(), cboCategory->currentData().toInt()};
}

void frmTimeEntry::endChanged() {
    // An end time that is the minute the end already falls in keeps that end to the second.
    m_minutesEdited = false;
    m_endEdited = false; // endTime() then gives the end the row keeps
    m_endEdited = toTheMinute(endTime().time()) != txtEndTime->time();
    showResult();
}

void frmTimeEntry::minutesChanged() {
    // A duration the end already gives (typed again, or back after the box was emptied) keeps
    // that end to the second.
    m_minutesEdited = false; // endTime() then gives the end the row keeps
    m_minutesEdited = TimeText::minutesBetween(startTime(), endTime()) != txtMinutes->value();
    showResult();
}

void frmTimeEntry::showResult() {
    if (m_mode == Mode::Start) {
        return;
    }
    const QDateTime start = startTime();
    const QDateTime end = endTime();
    const qint64 minutes = TimeText::minutesBetween(start, end);
    const QSignalBlocker a(txtEndTime), b(txtMinutes);
    txtEndTime->setTime(toTheMinute(end.time()));
    if (!m_minutesEdited && minutes >= 1 && minutes <= TimeCorrection::LongestMinutes) {
        txtMinutes->setValue(int(minutes));
    }
    lblEnds->setText(tr("From %1 to %2 (%3)")
                         .arg(TimeText::defaultText(start), TimeText::defaultText(end),
                              TimeText::minToTime(minutes)));
}
