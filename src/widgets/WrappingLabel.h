#pragma once

#include <QLabel>
#include <utility>
#include <vector>

// A label of several lines that wraps its text at word boundaries, and within a word too long
// for a line, so that no word makes it wider than the room it has. It shows as many lines as its
// height allows, at most maximumLines when that is set; a text cut short ends in "…" and shows
// whole in the tool-tip. The text itself is kept as set, and read back whole.
class WrappingLabel : public QLabel {
    Q_OBJECT

public:
    explicit WrappingLabel(const QString& text = QString(), QWidget* parent = nullptr);

    // 0: as many lines as the text needs.
    void setMaximumLines(int lines);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Whether some of the text is not shown at the label's present size.
    bool isCut() const;
    // Where each line starts in the displayed text, and how long it is, at a width.
    std::vector<std::pair<int, int>> lines(int width) const;
    // The text as it is laid out: line breaks as line separators.
    QString displayText() const;
    // How many lines fit in a height, within maximumLines.
    int linesFitting(int height) const;
    QRect textRect() const;
    int extraWidth() const;
    int extraHeight() const;

    int m_maximumLines = 0;
};
