#pragma once

#include <QString>

class frmMain;

// The main window's controls, laid out into the window's own members: the header, the row of
// picture buttons, the trees, the pages, the status bar and the timers.
namespace MainWindowLayout {

void build(frmMain& window);
// The welcome line shown while nobody is signed in yet.
QString designWelcome();
// The picture buttons from the left, each visible one after the last.
void layoutButtonRow(frmMain& window);
// The hover frame and its shadow around picture button index.
void showHoverFrame(frmMain& window, int index);
// The colours of the productivity chart's key, on the key's labels.
void paintColourKeys(frmMain& window);

} // namespace MainWindowLayout
