#pragma once

#include <QString>
#include <QStringList>

class QObject;

// Runs this program again with arguments, its windows real windows on an X server of its own
// (Xvfb with openbox), with a home, XDG folders and runtime folder of its own and no session bus,
// so that nothing of the developer's desktop is reached. Returns the exit status of that run, or
// -1 with the reason in error. Needs a QCoreApplication.
int rerunOnPrivateDisplay(const QStringList& arguments, int timeoutMs, QString& error);

// The main of a Qt Test program whose windows are real X windows: the test object runs in a run
// of the program on a private display (rerunOnPrivateDisplay), as QTest runs it.
int privateDisplayTestMain(int argc, char* argv[], QObject& test);
