#include "WindowBench.h"

#include "ReferenceData.h"
#include "app/frmMain.h"
#include "data/Database.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

Bench::Bench(const QString& workingCopy, const QString& userName)
    : clock(ReferenceData::referenceTime().addSecs(15 * 60))
    , settings(folder.filePath(QStringLiteral("settings.ini"))) {
    settings.setDatabase(workingCopy);
    settings.setUser(userName.isEmpty() ? ReferenceData::BenchmarkUserName : userName);
    settings.setTrayIcon(false);
    settings.setValue(Settings::ShareWindowsKey, QStringLiteral("titles"));
    QStringList titles;
    for (int i = 1; i <= 10; ++i) {
        titles.append(QStringLiteral("Application window %1").arg(i));
    }
    windows.setTitles(titles);
}

std::unique_ptr<frmMain> Bench::open() {
    auto window = std::make_unique<frmMain>(frmMain::Services{
        clock, messages, settings, windows, folders, idle, passwords, folder.path(), QString()});
    if (!window->Form_Load()) {
        throw std::runtime_error("the main window did not load");
    }
    window->trmSystem->stop();
    window->tmrTime->stop();
    settle();
    return window;
}

QString workingLocation(const QString& reference, const QTemporaryDir& folder) {
    if (Database::isServerLocation(reference)) {
        return reference;
    }
    {
        // Everything in the reference file itself, so the copy is whole.
        auto db = Database::open(reference);
        db->scalar(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    const QString copy = folder.filePath(QStringLiteral("working.db"));
    if (!QFile::copy(reference, copy)) {
        throw std::runtime_error("the reference database could not be copied");
    }
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    return copy;
}

void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("propagateSizeHints")) ||
        text.startsWith(QLatin1String("QStandardPaths"))) {
        return;
    }
    std::fputs(qPrintable(qFormatLogMessage(type, context, text) + QLatin1Char('\n')), stderr);
}
