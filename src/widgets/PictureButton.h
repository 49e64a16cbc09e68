#pragma once

#include <QIcon>
#include <QToolButton>

// One of the shortcut buttons above the tabs: a 20 by 20 pixel picture in a 300 by 300 twip box.
// Its place in the row is kept in twips, the unit the row is laid out in. It is a tool button,
// reached with the Tab key and pressed with Space, named for screen readers by its tool-tip.
class PictureButton : public QToolButton {
    Q_OBJECT

public:
    static constexpr int TwipsPerPixel = 15;
    static constexpr int SizeTwips = 300;

    PictureButton(int index, const QIcon& icon, const QString& toolTip, QWidget* parent = nullptr);

    int index() const { return m_index; }
    int leftTwips() const { return m_leftTwips; }
    int topTwips() const { return m_topTwips; }
    int widthTwips() const { return SizeTwips; }
    int heightTwips() const { return SizeTwips; }
    void moveTwips(int left, int top);
    // The tool-tip, which also names the button for screen readers.
    void setDescription(const QString& toolTip);

    QSize sizeHint() const override;

signals:
    // The pointer is over the button, or the keyboard focus came to it.
    void mouseMoved(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    int m_index;
    int m_leftTwips = 0;
    int m_topTwips = 0;
};
