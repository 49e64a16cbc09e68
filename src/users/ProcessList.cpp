#include "users/ProcessList.h"

#include "app/frmMain.h"

ProcessList::ProcessList(frmMain& main)
    : QObject(&main)
    , m_main(main) {}

void ProcessList::loadProcessList() {}
void ProcessList::fillWindowList(QListWidget*) {}
void ProcessList::deleteOwnRows() {}
