#pragma once

#include <QIcon>
#include <QWidget>

// One of the shortcut buttons above the tabs: a 20 by 20 pixel picture in a 300 by 300 twip box.
// Its place in the row is kept in twips, the unit the row is laid out in.
class PictureButton : public QWidget {
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

    QSize sizeHint() const override;

signals:
    void clicked(int index);
    void mouseMoved(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    int m_index;
    QIcon m_icon;
    int m_leftTwips = 0;
    int m_topTwips = 0;
};
