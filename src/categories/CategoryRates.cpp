#include "categories/CategoryRates.h"

#include "categories/CategoryEditorPage.h"
#include "categories/CategoryTree.h"
#include "data/Billing.h"
#include "data/DatabaseError.h"
#include "data/TimeText.h"
#include "data/category.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "session/Workspace.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

CategoryRates::CategoryRates(Workspace& workspace, CategoryEditorPage& page,
                             CategoryTree& categories, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_page(page)
    , m_categories(categories) {
    connect(m_page.cmdRateFrom, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdRateFrom_Click(); }));
    connect(m_page.chkBillable, &QCheckBox::clicked, this, [this](bool billable) {
        m_work.guarded([this, billable] { chkBillable_Click(billable); })();
    });
    connect(m_page.txtId, &QLineEdit::textChanged, this, m_work.guarded([this] { showBilling(); }));
    showBilling();
}

int CategoryRates::shownId() const {
    bool ok = false;
    const int id = m_page.txtId->text().trimmed().toInt(&ok);
    return ok && id > 0 ? id : 0;
}

void CategoryRates::showBilling() {
    const int id = shownId();
    m_page.cmdRateFrom->setEnabled(id > 0);
    m_page.chkBillable->setEnabled(id > 0);
    m_page.chkBillable->setChecked(id == 0 ||
                                   !Billing::notBillable(m_work.database()).contains(id));
}

void CategoryRates::cmdRateFrom_Click() {
    const int id = shownId();
    if (id == 0) {
        return;
    }
    bool ok = false;
    const int rate = m_page.txtCharge->text().trimmed().toInt(&ok);
    if (!ok || rate < 0 || rate > 32767) {
        m_work.messages.inform(tr("The Hourly Rate must be a whole number from 0 to 32767."), {},
                               Messages::Icon::Critical);
        return;
    }
    const QDate today = m_work.clock.now().date();
    const std::optional<QDate> from = m_work.messages.pickDate(today);
    if (!from) {
        return;
    }
    try {
        Billing::setRate(m_work.database(), {id, 0, *from, qint64(rate) * 100}, today);
    } catch (const DatabaseError& error) {
        if (error.kind() != DatabaseError::Kind::Refused) {
            throw;
        }
        m_work.messages.inform(error.message(), tr("Rate"), Messages::Icon::Critical);
        return;
    }
    if (category* shown = m_categories.getCategoryById(*m_work.state.allCategories, id)) {
        shown->refresh();
        m_page.txtCharge->setText(QString::number(shown->hourlyRate));
    }
    m_work.messages.inform(tr("The rate is %1 from %2 on; time before that day keeps the rate it "
                              "had.")
                               .arg(rate)
                               .arg(TimeText::format(*from, TimeText::DD_MMM_YYYY)),
                           tr("Rate"));
}

void CategoryRates::chkBillable_Click(bool billable) {
    if (const int id = shownId()) {
        Billing::setBillable(m_work.database(), id, billable);
    }
}
