#pragma once

#include "platform/FolderOpener.h"

#include <QStringList>

// Remembers the folders it was asked to open; or, told there is no file manager, opens none.
class RecordingFolderOpener final : public FolderOpener {
public:
    bool openFolder(const QString& path) override {
        if (!m_available) {
            return false;
        }
        m_opened.append(path);
        return true;
    }
    const QStringList& opened() const { return m_opened; }
    void setAvailable(bool available) { m_available = available; }

private:
    QStringList m_opened;
    bool m_available = true;
};
