#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

class QTimer;

// The program's icon in the desktop's notification area, with the main window's caption as its
// tool-tip. State is 0 when removed (or never added), 1 after Add and 2 after each Modify. On a
// desktop without a notification area every operation still succeeds and changes the state;
// nothing is shown until a notification area appears.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    // How often a missing notification area is looked for.
    static constexpr int TrayWatchMs = 3000;
    // The tool-tip field holds 64 characters with the terminating one, so 63 show.
    static constexpr int TooltipLimit = 63;

    // Mouse messages as the notification area reports them.
    enum Message {
        LeftDown = 513,
        LeftUp = 514,
        LeftDoubleClick = 515,
        RightDown = 516,
        RightUp = 517,
        RightDoubleClick = 518,
    };

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    QWidget* OwnerForm() const { return m_owner; }
    void setOwnerForm(QWidget* owner) { m_owner = owner; }
    int State() const { return m_state; }
    const QIcon& Icon() const { return m_icon; }
    void setIcon(const QIcon& icon) { m_icon = icon; }
    // Returns exactly the text assigned.
    QString Tooltip() const { return m_tooltip; }
    void setTooltip(const QString& text) { m_tooltip = text; }
    // The menu a right click opens; the owner keeps it.
    void setMenu(QMenu* menu);

    void Add();
    void Modify();
    void Remove();

    // The tool-tip as the notification area shows it: at most 63 characters.
    QString shownTooltip() const { return m_shownTooltip; }
    bool isShown() const;

    // Decodes one mouse message of the notification area into the events below; numbers
    // outside 513 to 518 raise nothing.
    void handleMessage(int message);

signals:
    // Button: 1 the left button, 2 the right button.
    void MouseDown(int Button);
    void MouseUp(int Button);
    void MouseDblClick(int Button);

private:
    void fillRecord();
    // Until a notification area is there, looks for one now and then.
    void watchForTray();
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QPointer<QWidget> m_owner;
    QPointer<QMenu> m_menu;
    QIcon m_icon;
    QString m_tooltip;
    QString m_shownTooltip;
    int m_state = 0;
    bool m_busy = false;
    QSystemTrayIcon* m_tray = nullptr;
    QTimer* m_trayWatch = nullptr;
};
