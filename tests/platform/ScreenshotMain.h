#pragma once

#include <QString>
#include <functional>

// The main of a screenshot program, "NAME OUTPUT.png [OPTION...]": starts an X server of its
// own (Xvfb with openbox), runs the program again on it, where shoot(output) shows a window and
// saves the picture (the options are in QCoreApplication::arguments() there), and returns its
// exit status. The developer's own display is never touched.
int screenshotMain(int argc, char* argv[], const char* name,
                   const std::function<int(const QString& output)>& shoot);

// Prints "NAME: text" on standard error and returns 1.
int screenshotFailure(const char* name, const QString& text);
