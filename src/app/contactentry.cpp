#include "app/contactentry.h"

#include "app/logview.h"
#include "app/mainstate.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/locator.h"
#include "logging/repeattimer.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "store/database.h"
#include "store/daycount.h"
#include "store/logstore.h"

#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimeEdit>

#include <algorithm>
#include <utility>

namespace {

const QString kSquareHint = QStringLiteral("squareLocator");

} // namespace

ContactEntry::ContactEntry(EntryPanel& panel, LogView& log, LogStore& store, MainState& state,
                           const Services& services, QObject* parent)
    : QObject(parent), m_panel(panel), m_log(log), m_store(store), m_state(state), m_services(services),
      m_contacts(store)
{
    // An editable combo box has the focus itself and hands keys to its line edit directly.
    for (QObject* field :
         std::initializer_list<QObject*>{m_panel.callEdit, m_panel.locatorEdit, m_panel.receivedReportEdit,
                                         m_panel.receivedNumberEdit, m_panel.sentReportEdit})
        field->installEventFilter(this);
    // What the key filters let through, also when pasted.
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), this);
    for (QLineEdit* field : {m_panel.receivedReportEdit, m_panel.receivedNumberEdit, m_panel.sentReportEdit})
        field->setValidator(digits);

    // The call list follows an edited or deleted contact's calls, as they were and as they are.
    Cursor& cursor = m_log.log();
    auto storedCall = [this, &cursor] {
        const int row = cursor.currentRow();
        const ResultSet stored = m_store.db().queryNative(
            QStringLiteral("SELECT ContestListCall FROM ContestList WHERE rowid = ?"),
            {DbValue(row < 0 ? 0 : cursor.rowId(row))});
        m_editedCalls = stored.rows.empty() ? QStringList() : QStringList{stored.rows[0][0].displayText()};
        return true;
    };
    cursor.beforePost = storedCall;
    cursor.beforeDelete = storedCall;
    cursor.afterPost = [this, &cursor] {
        const QStringList calls = std::exchange(m_editedCalls, {})
                                  << cursor.value(QStringLiteral("ContestListCall")).displayText();
        logRowChanged(cursor.rowId(cursor.currentRow()), calls);
    };
    cursor.afterDelete = [this] { logRowChanged(0, std::exchange(m_editedCalls, {})); };

    connect(m_panel.locatorEdit, &QLineEdit::textChanged, this, [this] {
        if (!m_log.hintBar()->status(kSquareHint).isEmpty())
            m_log.hintBar()->setStatus(kSquareHint, QString());
    });
}

double ContactEntry::nowUtc() const
{
    return utcNow(m_services.clock, m_state.clockCorrection());
}

void ContactEntry::saveContact()
{
    ContactFields fields;
    fields.band = m_panel.bandList->currentText();
    fields.mode = m_panel.modeList->currentText();
    fields.call = m_panel.callEdit->currentText();
    // A locator offered from the call list is the operator's only once accepted.
    fields.locator = m_panel.isLocatorOffered() ? QString() : m_panel.locatorEdit->text();
    // A square is only a part of a locator: saved, it would score 0 km and make the EDI log
    // refused. The operator completes it (a call list gives squares).
    if (QString square = fields.locator.trimmed(); LocatorSquareIsValid(square)) {
        m_log.hintBar()->setStatus(kSquareHint, QStringLiteral("Связь не записана: %1 — только квадрат, "
                                                               "допишите две буквы локатора")
                                                    .arg(square));
        focusField(ContactFields::Locator);
        m_panel.locatorEdit->end(false);
        return;
    }
    fields.sentReport = m_panel.sentReportEdit->text();
    fields.sentNumber = m_panel.sentNumberEdit->text();
    fields.receivedReport = m_panel.receivedReportEdit->text();
    fields.receivedNumber = m_panel.receivedNumberEdit->text();
    fields.date = m_panel.dateEdit->date();
    fields.time = m_panel.timeEdit->time();
    fields.frequencyHz = m_panel.frequency();

    SaveContext context;
    context.pointsPerKm = m_state.BandPointsPerKm;
    context.nowUtc = nowUtc();
    const SaveOutcome outcome = save(fields, context);
    switch (outcome.kind) {
    case SaveOutcome::MissingField:
        focusField(outcome.field);
        return;
    case SaveOutcome::NoContest:
        m_services.prompts.warning(outcome.message);
        return;
    case SaveOutcome::Refused:
        m_services.prompts.information(outcome.message);
        return;
    case SaveOutcome::Failed:
        return; // the error box was shown; every field keeps what was typed
    case SaveOutcome::Saved:
        break;
    }
    m_panel.callEdit->setEditText(QString());
    m_panel.locatorEdit->clear();
    m_panel.receivedNumberEdit->clear();
    m_panel.setLocatorAutoFilled(false);
}

SaveOutcome ContactEntry::saveReceived(const ContactFields& fields)
{
    if (m_state.ViewerMode) // the grid shows a file, not the log
        return SaveOutcome{SaveOutcome::Refused, ContactFields::Band,
                           QStringLiteral("открыт просмотр EDI-файла, лог не показан"), 0};
    SaveContext context;
    context.pointsPerKm = m_contacts.bandPointsPerKm(fields.band);
    // The repeat rule judges the contact at the time it was made.
    context.nowUtc = toDayCount(fields.date, fields.time);
    return save(fields, context);
}

SaveOutcome ContactEntry::save(const ContactFields& fields, SaveContext& context)
{
    context.contestId = m_state.CurrentContestId;
    context.ownLocator = m_state.OwnLocator;
    if (m_timer && m_timer->isShowing())
        context.timerPeriodDays = m_timer->periodDays();

    const SaveOutcome outcome = m_contacts.save(fields, context);
    if (outcome.kind != SaveOutcome::Saved)
        return outcome;
    // Stored: the locators known first, then whoever follows the log hears of it, whatever the
    // panel does next.
    m_state.lastLocators.logged(fields.call, fields.locator, toDayCount(fields.date, fields.time));
    m_state.callBook.logged(fields.call, fields.locator);
    const bool shownBand = m_contacts.bandId(fields.band) == m_state.CurrentBandId;
    emit contactsChanged(outcome.rowid);
    if (shownBand) {
        emit contactSaved(fields.call, fields.mode, toDayCount(fields.date, fields.time));
        m_log.contactAdded(outcome.rowid, fields.sentNumber.toDouble());
        GetMaxNumber();
    }
    addToCallHistory(fields.call);
    reloadTimerList();
    return outcome;
}

double ContactEntry::repeatPeriodDaysNow()
{
    if (m_timer && m_timer->isShowing())
        return m_timer->periodDays();
    return m_contacts.repeatPeriodDays();
}

void ContactEntry::focusField(ContactFields::Field field)
{
    QWidget* widgets[] = {m_panel.bandList,           m_panel.modeList,          m_panel.callEdit,
                          m_panel.locatorEdit,        m_panel.sentReportEdit,    m_panel.sentNumberEdit,
                          m_panel.receivedReportEdit, m_panel.receivedNumberEdit};
    widgets[field]->setFocus();
}

void ContactEntry::bandChanged()
{
    const QString band = m_panel.bandList->currentText();
    m_state.CurrentBandId = m_contacts.bandId(band);
    m_state.BandPointsPerKm = m_contacts.bandPointsPerKm(band);
    m_log.setBandName(band);
    m_log.q1Set();
    GetMaxNumber();
    reloadTimerList();
    emit bandLogChanged();
}

void ContactEntry::modeChanged()
{
    if (m_panel.modeList->currentIndex() == 1)
        m_panel.receivedReportEdit->setText(QStringLiteral("59"));
    else if (m_panel.modeList->currentIndex() == 2)
        m_panel.receivedReportEdit->setText(QStringLiteral("599"));
    m_panel.sentReportEdit->setText(m_panel.receivedReportEdit->text());
    emit modeChosen();
}

qint32 ContactEntry::currentModeId()
{
    return m_contacts.modeId(m_panel.modeList->currentText());
}

void ContactEntry::selectMode(int position)
{
    if (position >= m_panel.modeList->count())
        return;
    m_panel.modeList->setCurrentIndex(position);
    modeChanged();
}

void ContactEntry::clearFields()
{
    m_panel.callEdit->setEditText(QString());
    m_panel.locatorEdit->clear();
    m_panel.receivedNumberEdit->clear();
    m_panel.callEdit->setFocus();
}

void ContactEntry::GetMaxNumber()
{
    m_panel.sentNumberEdit->setText(
        QString::number(m_contacts.nextSerialNumber(m_state.CurrentContestId, m_state.CurrentBandId)));
}

void ContactEntry::SetCallList()
{
    m_state.lastLocators.load(m_store.db());
    m_state.callBook.load(m_store.db());
    reloadCallHistory();
}

void ContactEntry::reloadCallHistory()
{
    const QString typed = m_panel.callEdit->currentText();
    m_panel.callEdit->clear();
    m_panel.callEdit->addItems(m_contacts.callHistory());
    m_panel.callEdit->setCurrentIndex(-1);
    m_panel.callEdit->setEditText(typed);
}

// A new call joins the list in its sorted place; the list is not read again from the log.
void ContactEntry::addToCallHistory(const QString& call)
{
    QComboBox* list = m_panel.callEdit;
    int low = 0;
    int high = list->count();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (QString::compare(list->itemText(middle), call, Qt::CaseInsensitive) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    if (low < list->count() && QString::compare(list->itemText(low), call, Qt::CaseInsensitive) == 0)
        return;
    const QString typed = list->currentText();
    list->insertItem(low, call);
    list->setCurrentIndex(-1);
    list->setEditText(typed);
}

void ContactEntry::logRowChanged(qint64 rowid, const QStringList& calls)
{
    m_state.lastLocators.load(m_store.db()); // an edited or deleted row: the last ones again
    if (calls.isEmpty())
        m_state.callBook.load(m_store.db());
    else
        m_state.callBook.recheck(m_store.db(), calls);
    reloadTimerList();
    GetMaxNumber();
    emit contactsChanged(rowid);
    emit bandLogChanged();
}

void ContactEntry::logChangedElsewhere(const QVector<ArrivedContact>& contacts)
{
    bool shown = false;
    bool changed = false;
    QStringList changedCalls;
    // Each insert into the call list moves the items after it: thousands of arrivals (an
    // import) are quicker read again at once.
    constexpr qsizetype kInsertedOneByOne = 200;
    const bool reloadCalls = std::count_if(contacts.cbegin(), contacts.cend(), [](const ArrivedContact& c) {
                                 return c.kind == ArrivedContact::Added;
                             }) > kInsertedOneByOne;
    for (const ArrivedContact& c : contacts) {
        // A contact that came onto the current band or left it.
        shown = shown || (c.contestId == m_state.CurrentContestId &&
                          (c.bandId == m_state.CurrentBandId || c.previousBandId == m_state.CurrentBandId));
        if (c.kind == ArrivedContact::Added) {
            m_state.lastLocators.logged(c.call, c.locator, c.dateTime);
            m_state.callBook.logged(c.call, c.locator);
            if (!reloadCalls)
                addToCallHistory(c.call);
        } else {
            changed = true;
            changedCalls << c.call << c.previousCall;
        }
    }
    if (changed) {
        m_state.lastLocators.load(m_store.db());
        m_state.callBook.recheck(m_store.db(), changedCalls);
    }
    if (reloadCalls)
        reloadCallHistory();
    if (shown)
        m_log.refresh();
    GetMaxNumber();
    reloadTimerList();
    // What shows figures of the log, or the current band's calls, reads them again.
    emit contactsChanged(0);
    if (shown)
        emit bandLogChanged();
}

void ContactEntry::reloadTimerList()
{
    if (m_timer && m_timer->isShowing())
        m_timer->ReloadTimerList();
}

bool ContactEntry::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        return filterKey(watched, static_cast<QKeyEvent*>(event));
    return QObject::eventFilter(watched, event);
}

// Enter in the call, locator and received fields moves on through the four fields the
// operator types; the report and number fields take digits and a point only.
bool ContactEntry::filterKey(QObject* field, QKeyEvent* key)
{
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))
        return false; // the window's own keys
    QWidget* next = nullptr;
    if (field == m_panel.callEdit)
        next = m_panel.receivedReportEdit;
    else if (field == m_panel.receivedReportEdit)
        next = m_panel.receivedNumberEdit;
    else if (field == m_panel.receivedNumberEdit)
        next = m_panel.locatorEdit;
    else if (field == m_panel.locatorEdit)
        next = m_panel.callEdit;
    if (enter) {
        if (next)
            next->setFocus(Qt::TabFocusReason);
        return true;
    }
    const bool digitsOnly = field == m_panel.receivedReportEdit || field == m_panel.receivedNumberEdit ||
                            field == m_panel.sentReportEdit;
    if (!digitsOnly || key->text().isEmpty() || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    const QChar c = key->text().front();
    if (c.isPrint())
        return !(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('.');
    return false;
}
