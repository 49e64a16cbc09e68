#include "reports/ProductivityChart.h"

#include "categories/CategoryTree.h"
#include "data/TimeText.h"
#include "reports/ProductivityPage.h"
#include "reports/ProductivityPicture.h"
#include "session/Shell.h"
#include "session/Workspace.h"
#include "users/UserList.h"
#include "widgets/ListHelpers.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <utility>

ProductivityChart::ProductivityChart(Workspace& workspace, ProductivityPage& page,
                                     CategoryTree& categories, UserList& users, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_categories(categories)
    , m_users(users)
    , m_page(page) {
    connect(page.prodScroll, &QScrollBar::valueChanged, this,
            m_work.guarded([this] { prodScroll_Change(); }));
    // A choice made with the mouse or keys first changes the entry, which draws, and then
    // reports it chosen; only choosing the entry that was already there draws on the report. The
    // two come within one event, so the mark of a change lasts until the events are next handled.
    auto watch = [this](QComboBox* list, bool& changed, void (ProductivityChart::*handler)()) {
        connect(list, &QComboBox::currentIndexChanged, this,
                m_work.guarded([this, &changed, handler] {
                    changed = true;
                    QTimer::singleShot(0, this, [&changed] { changed = false; });
                    (this->*handler)();
                }));
        connect(list, &QComboBox::activated, this, m_work.guarded([this, &changed, handler] {
            if (!std::exchange(changed, false)) {
                (this->*handler)();
            }
        }));
    };
    watch(page.cboUserProductivity, m_userListChanged,
          &ProductivityChart::cboUserProductivity_Change);
    watch(page.cboCategoryProductivity, m_categoryListChanged,
          &ProductivityChart::cboCategoryProductivity_Change);
    connect(&page, &ProductivityPage::viewportResized, this,
            m_work.guarded([this] { viewportResized(); }));
}

QString ProductivityChart::unreadableText(qint64 rows) {
    return tr("%n rows with unreadable start times are left out", nullptr, int(rows));
}

bool ProductivityChart::pageShowing() const {
    return m_work.shell.currentTab() == Shell::ProductivityTab;
}

// The lists change at start and whenever a category is chosen elsewhere. A chart drawn out of
// sight would be drawn again, from the same lists, when the page is chosen; so the drawing waits
// for that. Only the choice of category takes effect at once, as it does when drawn.
void ProductivityChart::cboUserProductivity_Change() {
    if (pageShowing()) {
        loadProductivityChart();
    }
}

void ProductivityChart::cboCategoryProductivity_Change() {
    if (pageShowing()) {
        loadProductivityChart();
    } else if (m_page.cboCategoryProductivity->currentIndex() > 0) {
        if (category* chosen = chosenCategory();
            chosen != nullptr && chosen != m_work.state.selectedCategory) {
            m_categories.selectCategory(chosen);
        }
    }
}

void ProductivityChart::showCategory(const category& thisCategory) {
    // The category's own entry; its indented name where the list does not carry ids. The chart
    // is drawn once, below, not again for the list's change.
    QComboBox* chartCategories = m_page.cboCategoryProductivity;
    const QSignalBlocker quiet(chartCategories);
    if (const int entry = chartCategories->findData(thisCategory.categoryId); entry >= 0) {
        chartCategories->setCurrentIndex(entry);
    } else {
        setListValue(chartCategories, CategoryTree::listEntry(thisCategory));
    }
    if (pageShowing()) {
        loadProductivityChart();
    }
}

category* ProductivityChart::chosenCategory() const {
    ProgramState& state = m_work.state;
    QComboBox* list = m_page.cboCategoryProductivity;
    if (!state.allCategories) {
        return nullptr;
    }
    bool carriesId = false;
    const int id = list->currentData().toInt(&carriesId);
    if (carriesId && id > 0) {
        category* found = state.categoryById(id);
        if (found != nullptr && found->categoryId == id) {
            return found;
        }
    }
    return m_categories.getCategoryByName(list->currentText().trimmed());
}

void ProductivityChart::loadProductivityChart() {
    ProgramState& state = m_work.state;
    if (!state.database) {
        return;
    }
    QComboBox* users = m_page.cboUserProductivity;
    QComboBox* categories = m_page.cboCategoryProductivity;

    ProductivityFilter filter;
    QString userText = tr("all users");
    QString categoryText = tr("all categories");
    if (users->currentIndex() > 0) {
        // The look-up tells the user itself when the name has gone.
        const user* chosen = m_users.getUserByName(users->currentText());
        if (chosen == nullptr) {
            return;
        }
        filter.userId = chosen->userId;
        userText = users->currentText();
    }
    if (categories->currentIndex() > 0) {
        category* chosen = chosenCategory();
        if (chosen == nullptr) {
            clearProductivityChart();
            return;
        }
        if (chosen != state.selectedCategory) {
            // Chosen in the list: it becomes the selected category everywhere, and showing it
            // draws the chart again when the page is showing.
            m_categories.selectCategory(chosen);
            if (pageShowing()) {
                return;
            }
        }
        filter.categoryId = chosen->categoryId;
        categoryText = categories->currentText().trimmed();
    }

    ProductivityData data = ProductivityData::read(m_work.database(), filter);
    if (!data.hasRows) {
        clearProductivityChart();
        if (data.unreadableRows > 0 && pageShowing()) {
            m_work.shell.setDetails(unreadableText(data.unreadableRows));
        }
        return;
    }
    m_data = std::move(data);

    if (pageShowing()) {
        m_work.shell.setHeading(tr("Productivity Charting"));
        QString details =
            tr("Productivity chart for time spent on %1 for %2").arg(categoryText, userText) +
            QStringLiteral("\r\n") +
            tr("Period Start: %1 Period End: %2")
                .arg(TimeText::format(m_data.firstStart, TimeText::DD_MMM_YYYY),
                     TimeText::format(m_data.lastStart, TimeText::DD_MMM_YYYY));
        if (m_data.shortened()) {
            details += QStringLiteral("\r\n") +
                       tr("The period is too long to chart whole: the chart shows its last %1 "
                          "days, from %2.")
                           .arg(QLocale().toString(m_data.days()),
                                TimeText::format(m_data.firstDay, TimeText::DD_MMM_YYYY));
        }
        if (m_data.unreadableRows > 0) {
            details += QStringLiteral("\r\n") + unreadableText(m_data.unreadableRows);
        }
        m_work.shell.setDetails(details);
    }

    // The keys name their band and give its minutes per day before any scaling.
    m_page.minProdColourKey->setText(tr("Min: %1").arg(TimeText::minToTime(m_data.minimumPerDay)));
    m_page.maxProdColourKey->setText(tr("Max: %1").arg(TimeText::minToTime(m_data.maximumPerDay)));
    m_page.minProdColourKey->setToolTip(tr("Expected time per day"));
    m_page.maxProdColourKey->setToolTip(tr("Allowed time per day"));

    m_shown = Shown::Chart;
    placeDrawing();
}

void ProductivityChart::placeDrawing() {
    const QFrame* viewport = m_page.picProdFrame;
    ProductivityPicture* picture = m_page.picProd;
    QScrollBar* scroll = m_page.prodScroll;
    if (m_shown == Shown::Chart) {
        ProductivityLayout chart = m_data.layout(viewport->height(), viewport->width());
        const int width = chart.width;
        scroll->setMaximum(chart.scrollMaximum);
        scroll->setPageStep(chart.scrollLargeStep);
        picture->setGeometry(-scroll->value(), 0, width, viewport->height());
        picture->showChart(std::move(chart));
    } else if (m_shown == Shown::Hint) {
        scroll->setMaximum(0);
        picture->setGeometry(0, 0, viewport->width(), viewport->height());
        picture->showHint(tr(HintText));
    }
}

void ProductivityChart::viewportResized() {
    // A taller or shorter drawing changes the scale; a wider viewport the scroll range.
    placeDrawing();
}

void ProductivityChart::clearProductivityChart() {
    m_data = {};
    m_shown = Shown::Hint;
    placeDrawing();
}

void ProductivityChart::prodScroll_Change() {
    m_page.picProd->move(-m_page.prodScroll->value(), 0);
}
