#pragma once

#include "logging/contactlog.h"
#include "station/digitallog.h"

#include <QHash>
#include <QObject>

#include <functional>

class EntryPanel;
class HintBar;
class LogStore;
class Prompts;
class QTimer;
class QWidget;
class RigControl;
class WsjtxLink;
struct WsjtxDatagram;

// WSJT-X as the entry panel and the log see it, while "Цифровые виды" is switched on. Its Status
// fills the call and locator (not over what the operator types) and, while the rig is off, the
// band, mode and frequency; a logged contact is saved through the entry's one save, or kept in
// "Несохранённые связи" with the reason, said once in the hint bar; a decoded call that may not
// be worked again yet is highlighted in WSJT-X. Nothing here opens a box.
class DigitalLink : public QObject
{
    Q_OBJECT
public:
    // What the main window lends: its one save of a received contact, the clock, the repeat
    // period now and the current contest.
    struct Context
    {
        std::function<SaveOutcome(const ContactFields&)> save;
        std::function<double()> nowUtc;
        std::function<double()> repeatPeriodDays;
        std::function<bool()> tours;
        std::function<qint32()> contestId;
    };

    DigitalLink(LogStore& store, Prompts& prompts, EntryPanel& panel, HintBar& hints, RigControl& rig,
                Context context, QObject* parent = nullptr);

    struct Options
    {
        QString address = QStringLiteral("127.0.0.1");
        int port = 2237;
        bool on = false;
        bool highlight = true;
    };
    // The Setting rows WsjtxAddress, WsjtxPort, WsjtxOn and WsjtxHighlight; a missing one (or an
    // address that is none) is the default.
    static Options load(LogStore& store);

    void applySettings();
    // The link closed (the program closing): the highlights set in WSJT-X are withdrawn first.
    void stop();
    // The contest or the repeat period changed: each call highlighted is judged again, and one
    // that is no repeat now loses its highlight.
    void rejudgeHighlights();
    // The window "Цифровые виды" over `parent`; saved settings apply at once.
    void openSettings(QWidget* parent);
    WsjtxLink& link() { return *m_link; }
    DigitalLog& log() { return m_log; }

    // A logged ADIF record (from WSJT-X, or fixed by the operator in place of `unsavedRowid`):
    // saved, found already stored, or kept (or left) in the unsaved list with the reason.
    enum class Taken { Saved, AlreadyStored, Unsaved };
    Taken takeRecord(const QString& record, const std::optional<DigitalContact>& fixed = std::nullopt,
                     qint64 unsavedRowid = 0);
    int savedCount() const { return m_saved; }
    int repeatCount() const { return m_alreadyStored; }

signals:
    // The call and locator of WSJT-X's DX call for the entry fields; empty ones once that contact is saved.
    void contactOffered(const QString& call, const QString& locator);
    void bandSwitched();
    void modeSwitched();
    // The unsaved list changed.
    void unsavedChanged();

private:
    void read(const WsjtxDatagram& datagram);
    void followStatus(const WsjtxDatagram& datagram);
    // Highlights the call in WSJT-X while it may not be worked again on the band and mode.
    void highlightIfRepeat(const QString& call, const QString& band, const QString& mode);
    void clearHighlights();
    // WSJT-X has forgotten its highlights (it closed or restarted): so are they here, unsent.
    void forgetHighlights();
    // The highlights whose repeat period is over (or all, judged again) that are no repeat now
    // are withdrawn; the timer waits for the next end.
    void judgeHighlights(bool all);
    void waitForNextExpiry();
    QString reasonOf(const SaveOutcome& outcome) const;

    LogStore& m_store;
    Prompts& m_prompts;
    EntryPanel& m_panel;
    HintBar& m_hints;
    RigControl& m_rig;
    Context m_context;
    WsjtxLink* m_link;
    DigitalLog m_log;
    Options m_options;
    QString m_statusCall; // the DX call the last Status put into the call field
    QString m_statusBand; // the band list's name of the last Status's dial frequency
    QString m_statusMode;
    // The calls highlighted on m_statusBand and m_statusMode, and when each may be worked again
    // (a day count, UTC).
    QHash<QString, double> m_highlighted;
    QTimer* m_highlightExpiry;
    QString m_savedElsewhereBand; // the band the hint bar says a contact was saved on
    int m_saved = 0;
    int m_alreadyStored = 0;
};
