#pragma once

#include "platform/FolderOpener.h"

// Opens a folder in the desktop's file manager.
class DesktopFolderOpener final : public FolderOpener {
public:
    bool openFolder(const QString& path) override;
};
