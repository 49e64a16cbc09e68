#pragma once

#include "tracking/frmTimeEntry.h"

#include <QObject>
#include <QPointer>

class QWidget;
class Reminders;
class task;
struct Workspace;

// Opens the time entry dialog and makes what it asks for: an edit of a finished row (or, for
// someone without the right, a read-only view saying who has it), past time added for the
// current user, or a new start for the current user's running task.
class TimeEntryEditor : public QObject {
    Q_OBJECT

public:
    // The dialog opens over window; reminders gives the frequency a moved task counts its
    // reminders by.
    TimeEntryEditor(Workspace& workspace, QWidget& window, Reminders& reminders,
                    QObject* parent = nullptr);

    void editRow(int timeId);
    // A new finished row for the current user, on the selected category unless another is chosen.
    void addTime();
    // A new start for a running task of the current user.
    void changeStart(task* running);

    // The dialog now open, if one is.
    frmTimeEntry* dialog() const { return m_dialog; }

signals:
    // A finished time row was added.
    void timeChanged();
    // One finished row was changed, here or by someone else meanwhile: its new values, or its
    // move to another category.
    void rowEdited(int timeId);
    // A running task starts at another moment now.
    void startMoved();

private:
    // A new dialog, the one open before closed; categoryId is chosen in its list.
    frmTimeEntry* open(frmTimeEntry::Mode mode, int categoryId);
    // Shows a stored row in the edit dialog, as the one its Save changes: editable, or read-only
    // for someone without the right.
    void showRow(TimeCorrection& correction, const TimeCorrection::Row& row);
    void saveEdit(int timeId);
    void saveNew();
    void saveStart(int taskId);
    int currentUserId() const;

    Workspace& m_work;
    QWidget& m_window;
    Reminders& m_reminders;
    QPointer<frmTimeEntry> m_dialog;
    // The row the edit dialog shows, as it was read: Save changes it only if it is still so.
    TimeCorrection::Row m_read;
};
