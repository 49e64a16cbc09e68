#pragma once

#include "data/TimeCorrection.h"

#include <QDateTime>
#include <QDialog>
#include <utility>
#include <vector>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimeEdit;

// A time row in a small dialog: its date, start, end time or duration, and category. Used to
// edit a finished row, to add past time, and (date and start only) to move a running task's
// start. A row may pass midnight: an end time not after the start is on the next day.
//
// Fields the user leaves alone (or sets back) keep what the row holds to the second; a field the
// user changes counts from the start of its minute. Editing the end time sets the duration, and
// editing the duration sets the end; the one edited last is the one kept.
class frmTimeEntry : public QDialog {
    Q_OBJECT

public:
    enum class Mode { Edit, Add, Start };

    frmTimeEntry(Mode mode, QWidget* parent = nullptr);

    // The categories to choose from (id and the text shown), and the one chosen.
    void setCategories(const std::vector<std::pair<int, QString>>& categories, int chosen);
    void chooseCategory(int categoryId);
    // What the dialog starts from; end is ignored in Start mode.
    void setTimes(const QDateTime& start, const QDateTime& end);
    // Everything shown and nothing can be changed; the sentence says who may change it.
    void setReadOnly(const QString& sentence);

    QDateTime startTime() const;
    QDateTime endTime() const;
    TimeCorrection::Times times() const;

    QLabel* lblRights;
    QDateEdit* dtpDate;
    QTimeEdit* txtStartTime;
    QTimeEdit* txtEndTime;
    QSpinBox* txtMinutes;
    QLabel* lblEnds;
    QComboBox* cboCategory;
    QPushButton* cmdSave;
    QPushButton* cmdCancel;

signals:
    // Save was pressed; the dialog stays open until it is accepted.
    void saveRequested();

private:
    void endChanged();
    void minutesChanged();
    // Brings the other fields and the summary in step with what was edited.
    void showResult();

    Mode m_mode;
    QDateTime m_start;
    QDateTime m_end;
    bool m_dateEdited = false;
    bool m_startEdited = false;
    bool m_endEdited = false;
    bool m_minutesEdited = false; // the duration was edited after the end
};
