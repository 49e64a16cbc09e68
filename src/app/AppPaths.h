#pragma once

#include <QString>

// Where Quillhour keeps its own files.
namespace AppPaths {

// The program's own folder: ~/.local/share/Quillhour (created when missing). The default
// database lives here.
QString dataFolder();
// The database a first start suggests: quillhour.db in the data folder.
QString defaultDatabasePath();

} // namespace AppPaths
