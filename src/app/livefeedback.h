#pragma once

#include <QObject>

#include <memory>

class Cursor;
class EntryPanel;
class LogStore;
class LogView;
struct MainState;
struct Services;

// What the window answers while a contact is typed: distance and azimuth on the compass
// for the typed locator, the earlier contacts with the typed call, the locator last logged
// for a call picked from the list; and, for the contact chosen in the grid, its distance
// and azimuth.
class LiveFeedback : public QObject
{
    Q_OBJECT
public:
    LiveFeedback(EntryPanel& panel, LogView& log, LogStore& store, MainState& state, const Services& services,
                 QObject* parent = nullptr);
    ~LiveFeedback() override;

    // A key was released in the locator field: the read-out and the needle for the typed
    // locator, a partial one completed to the middle of its field or square.
    void locatorTyped();
    // The locator field lost the focus: the needle turns to a complete locator.
    void locatorLeft();
    // A key was released in the call field.
    void callTyped();
    // A call was picked from the call list: its last locator, in grey.
    void callPicked();
    // The earlier contacts of the typed call in this contest.
    void ShowLastQSO();
    // The contact the grid stands on: its distance and azimuth.
    void showCurrentContact();
    // The typed locator against the call's last one: the field in the warning colour and the
    // earlier place in the hint bar while they differ.
    void showMovedQth();
    // A call and locator picked elsewhere (the log grid, the chat, a cluster spot) into the entry
    // fields, not saved: the compass, the read-out and the earlier contacts show them as if typed;
    // with no locator, the call list's is offered as for a typed call, and a four-character
    // square is only offered.
    void takeContact(const QString& call, const QString& locator);
    // The call list's locator offered for a complete call that the own log has no locator for;
    // an offer the call no longer fits withdrawn. With a square known for the station, the
    // list's locator only when within it, else the square.
    void offerLocator(const QString& square = QString());
    // The locator cleared for another call, with the read-out if it showed only an offer.
    void dropLocator();
    // A call chosen in the list of matching calls.
    void matchChosen(const QString& call);
    // Double click on the read-out: its colour, for as long as the program runs.
    void chooseReadoutColour();

    static QString readoutText(double distance, int azimuth);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool offeredLocatorKey(QEvent* event);
    bool callFieldKey(QEvent* event);

    EntryPanel& m_panel;
    LogView& m_log;
    LogStore& m_store;
    MainState& m_state;
    const Services& m_services;
    std::unique_ptr<Cursor> m_earlier; // q4
    QString m_autoFilledCall;
    QString m_lastCallText;
    bool m_callKeyTaken = false; // the key pressed last in the call field was taken by the match list
    bool m_callChanged = false;  // the call's text changed since the list and the offer were shown
};
