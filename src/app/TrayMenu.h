#pragma once

class frmMain;

// The tray icon and its menu: "Show Quillhour", the current user's running tasks each with
// "Finish", the pause of the window sharing, and "Quit".
namespace TrayMenu {

// A fresh icon each time, as the box on the Settings page is ticked again.
void showIcon(frmMain& window);
// Fills the menu afresh, as it opens.
void fill(frmMain& window);

} // namespace TrayMenu
