#include "reports/ProductivityPage.h"

#include "reports/ProductivityData.h"
#include "reports/ProductivityPicture.h"
#include "widgets/Look.h"
#include "widgets/UiHelpers.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QLabel* colourKey(const QString& text, const QString& name) {
    auto* key = named(new QLabel(text), name);
    key->setAutoFillBackground(true);
    key->setFrameStyle(QFrame::Box | QFrame::Plain);
    key->setMargin(2);
    key->setMinimumWidth(90);
    return key;
}

} // namespace

ProductivityPage::ProductivityPage(QWidget* parent)
    : QWidget(parent) {
    cboUserProductivity = named(new QComboBox, QStringLiteral("cboUserProductivity"));
    cboUserProductivity->setMinimumContentsLength(16);
    cboUserProductivity->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Label9 = named(new QLabel(tr("User Data:")), QStringLiteral("Label9"));
    Label9->setBuddy(cboUserProductivity);
    cboCategoryProductivity = named(new QComboBox, QStringLiteral("cboCategoryProductivity"));
    // Wider: its entries are indented by depth.
    cboCategoryProductivity->setMinimumContentsLength(24);
    cboCategoryProductivity->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Label10 = named(new QLabel(tr("Category Data:")), QStringLiteral("Label10"));
    Label10->setBuddy(cboCategoryProductivity);
    minProdColourKey = colourKey(tr("Min:"), QStringLiteral("minProdColourKey"));
    maxProdColourKey = colourKey(tr("Max:"), QStringLiteral("maxProdColourKey"));

    picProdFrame = named(new QFrame, QStringLiteral("picProdFrame"));
    // No border: the drawing's left edge is minus the scroll value, with nothing to offset.
    picProdFrame->setFrameStyle(QFrame::NoFrame);
    picProdFrame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    picProdFrame->setMinimumHeight(120);
    picProd = named(new ProductivityPicture(picProdFrame), QStringLiteral("picProd"));
    picProd->setAutoFillBackground(true);
    QPalette white = picProd->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    picProd->setPalette(white);
    picProd->setFont(Look::verdana(6.75));
    picProd->setGeometry(picProdFrame->rect());
    m_autoWidth = picProd->width();
    picProdFrame->installEventFilter(this);

    prodScroll = named(new QScrollBar(Qt::Horizontal), QStringLiteral("prodScroll"));
    prodScroll->setRange(0, 0);
    // An arrow moves the chart by one day.
    prodScroll->setSingleStep(ProductivityData::UnitsPerDay);

    auto* filters = new QGridLayout;
    filters->addWidget(Label9, 0, 0);
    filters->addWidget(cboUserProductivity, 0, 1);
    filters->addWidget(Label10, 1, 0);
    filters->addWidget(cboCategoryProductivity, 1, 1);
    filters->setColumnStretch(2, 1);
    filters->addWidget(minProdColourKey, 0, 3);
    filters->addWidget(maxProdColourKey, 1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    // The scroll bar sits directly under the viewport, as one control.
    auto* chart = new QVBoxLayout;
    chart->setSpacing(0);
    chart->addWidget(picProdFrame, 1);
    chart->addWidget(prodScroll);
    layout->addLayout(chart, 1);
}

bool ProductivityPage::eventFilter(QObject* watched, QEvent* event) {
    // The drawing always fills the viewport's height and at least its width; how much wider
    // it is and where it sits across is the chart's business once it has drawn.
    if (watched == picProdFrame && event->type() == QEvent::Resize) {
        int width = std::max(picProd->width(), picProdFrame->width());
        if (picProd->width() == m_autoWidth) {
            width = picProdFrame->width();
            m_autoWidth = width;
        }
        picProd->setGeometry(picProd->x(), 0, width, picProdFrame->height());
        emit viewportResized();
    }
    return QWidget::eventFilter(watched, event);
}
