#pragma once

#include "logging/contactlog.h"
#include "sharing/arrivedcontact.h"

#include <QObject>
#include <QStringList>
#include <QVector>

class EntryPanel;
class LogStore;
class LogView;
class QKeyEvent;
class RepeatTimer;
struct MainState;
struct Services;

// The behaviour of the entry panel: band and mode, the serial number, the key filters of
// the fields, and saving the typed contact into the log the grid shows.
class ContactEntry : public QObject
{
    Q_OBJECT
public:
    ContactEntry(EntryPanel& panel, LogView& log, LogStore& store, MainState& state, const Services& services,
                 QObject* parent = nullptr);

    void setRepeatTimer(RepeatTimer* timer) { m_timer = timer; }
    ContactLog& contacts() { return m_contacts; }

    // Saves the typed contact (the button, Ctrl+Enter, Ctrl+S).
    void saveContact();
    // Saves a contact that came from elsewhere (WSJT-X) through the same checks, numbering and
    // scoring, on its own band, judged for a repeat at its own time; the typed fields stay.
    SaveOutcome saveReceived(const ContactFields& fields);
    // The chosen band: its identifier and points factor, its log, its next number.
    void bandChanged();
    // The chosen mode: SSB reports 59, CW 599, the sent report follows the received one.
    void modeChanged();
    // The mode a save would take now (its key in the log); 0 when the log does not know it.
    qint32 currentModeId();
    // F11 and F12: mode list position 1 (SSB) or 2 (CW).
    void selectMode(int position);
    // Ctrl+X: call, locator and received number emptied, the call field focused.
    void clearFields();
    // The next sent serial number of the contest's band into its field.
    void GetMaxNumber();
    // Every call of the log into the call field's list.
    void SetCallList();
    // After the log changed under the grid: the row of `rowid` edited, or 0 when rows were
    // deleted; the calls of the rows changed, before and after, or none when a whole band went.
    void logRowChanged(qint64 rowid = 0, const QStringList& calls = {});
    // Contacts arrived in the log from elsewhere (another position, an imported file): the grid,
    // the numbers, the last locators, the call list and the timer window follow them.
    void logChangedElsewhere(const QVector<ArrivedContact>& contacts);

    // The repeat period a save applies now: the timer window's while it shows, else the
    // stored one; in days.
    double repeatPeriodDaysNow();

    // The current UTC time of the clock: local time plus the offset.
    double nowUtc() const;

signals:
    // A contact was saved or edited (its rowid), or contacts were deleted (0): whatever shows
    // figures of the log reads them again.
    void contactsChanged(qint64 rowid);
    // A contact was saved on the current band in a mode (a day count, UTC).
    void contactSaved(const QString& call, const QString& mode, double dateTime);
    // The entry panel's mode was chosen: whatever judges repeats by the mode a save would take
    // judges again.
    void modeChosen();
    // The current band's log may differ from what was read: another band or contest, or a
    // row edited or deleted.
    void bandLogChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The one save: the contest and own locator, the checks of ContactLog, then whatever follows
    // the log hears of the stored contact.
    SaveOutcome save(const ContactFields& fields, SaveContext& context);
    bool filterKey(QObject* field, QKeyEvent* key);
    void addToCallHistory(const QString& call);
    // The call list read again from the log; what is typed stays.
    void reloadCallHistory();
    void focusField(ContactFields::Field field);
    void reloadTimerList();

    EntryPanel& m_panel;
    LogView& m_log;
    LogStore& m_store;
    MainState& m_state;
    const Services& m_services;
    ContactLog m_contacts;
    RepeatTimer* m_timer = nullptr;
    QStringList m_editedCalls; // of the row the grid is writing or deleting, as stored before
};
