#include "MainWindowFixture.h"

#include "tracking/TaskTimer.h"
#include "tracking/TimeEntryEditor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QHelpEvent>
#include <QTableView>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

MainWindowFixture::MainWindowFixture(const QDateTime& start)
    : TestEnvironment(start) {
    ownFolder = QDir(folder()).filePath(QStringLiteral("own"));
    QDir().mkpath(ownFolder);
    settings.setDatabase(location());
}

MainWindowFixture::~MainWindowFixture() {
    if (m_window) {
        m_window->trmSystem->stop();
        m_window->tmrTime->stop();
        m_window.reset();
    }
}

bool MainWindowFixture::load() {
    // A test that names nobody works as the last user it added, as if that person had chosen
    // their name before; a test of the first start sets the setting empty itself.
    if (!settings.contains(Settings::UserKey)) {
        const ResultSet last =
            database().query(QStringLiteral("select userName from \"user\" order by userId desc"));
        if (!last.isEmpty()) {
            settings.setUser(last.first().text(0));
        }
    }
    m_window = std::make_unique<frmMain>(frmMain::Services{clock, messages, settings, windows,
                                                           folders, idle, passwords, ownFolder,
                                                           databaseOverride, &notifier});
    if (actionWait) {
        m_window->guard().setActionWait(*actionWait);
    }
    const bool loaded = m_window->Form_Load();
    // Tests drive the timers themselves.
    m_window->trmSystem->stop();
    return loaded;
}

void MainWindowFixture::systemTick() {
    m_window->guard().runTick(QStringLiteral("trmSystem"), [this] { m_window->trmSystem_Timer(); });
}

void MainWindowFixture::taskTick() {
    m_window->guard().runTick(QStringLiteral("tmrTime"), [this] { m_window->tmrTime_Timer(); });
}

frmTimeEntry* MainWindowFixture::openFirstTimeRow() {
    auto* grid = control<QTableView>(QStringLiteral("grid"));
    m_window->tabs->setCurrentIndex(frmMain::ReportsTab);
    QCoreApplication::processEvents();
    const QPoint centre = grid->visualRect(grid->model()->index(0, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, centre);
    return m_window->timeEntries().dialog();
}

QString shownText(const QString& text, Qt::TextFormat format) {
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text))) {
        return text;
    }
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

QString hoverText(QWidget* widget, const QPoint& at, int* width) {
    QToolTip::hideText();
    QHelpEvent hover(QEvent::ToolTip, at, widget->mapToGlobal(at));
    QCoreApplication::sendEvent(widget, &hover);
    // A long tip is broken into lines; joined again, it is the text the tip shows.
    const QString shown =
        QToolTip::isVisible() ? shownText(QToolTip::text()).remove(QLatin1Char('\n')) : QString();
    for (QWidget* tip : QApplication::topLevelWidgets()) {
        if (width != nullptr && tip->objectName() == QLatin1String("qtooltip_label")) {
            *width = tip->isVisible() ? tip->width() : 0;
        }
    }
    QToolTip::hideText();
    return shown;
}
