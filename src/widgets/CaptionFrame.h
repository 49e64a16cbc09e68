#pragma once

#include <QGroupBox>

// A frame whose caption never makes it wider than its contents need: a caption too long for
// the frame is cut short with "…" and shows whole in a tool-tip over it. title() stays whole.
class CaptionFrame : public QGroupBox {
    Q_OBJECT

public:
    explicit CaptionFrame(const QString& title = QString(), QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;

protected:
    void initStyleOption(QStyleOptionGroupBox* option) const override;
    bool event(QEvent* event) override;

private:
    // Whether the caption is cut short at the frame's present width.
    bool isElided() const;
    // The width the caption may take, and where it starts.
    int captionRoom(const QStyleOptionGroupBox& option, int* left = nullptr) const;
};
