#pragma once

#include <QString>

// Shows a folder in the desktop's file manager.
class FolderOpener {
public:
    virtual ~FolderOpener() = default;
    virtual bool openFolder(const QString& path) = 0;
};
