#pragma once

#include <QStringList>

// Shows a folder in the desktop's file manager.
class FolderOpener {
public:
    virtual ~FolderOpener() = default;
    virtual bool openFolder(const QString& path) = 0;
};

// Remembers the folders it was asked to open, for tests.
class RecordingFolderOpener final : public FolderOpener {
public:
    bool openFolder(const QString& path) override {
        m_opened.append(path);
        return true;
    }
    const QStringList& opened() const { return m_opened; }

private:
    QStringList m_opened;
};
