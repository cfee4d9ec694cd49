#pragma once

#include "onair/chatstations.h"
#include "onair/clusterclient.h"
#include "onair/clusterspots.h"

#include <QWidget>

#include <map>

class ContactEntry;
class HintBar;
class LogStore;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableView;
class QTimer;
struct MainState;
struct Services;

// "Кластер": the spots of a DX cluster and the spot lines of the chat on the log's bands. The
// window lives for the whole run; closing it hides it and the connection goes on.
class ClusterWindow : public QWidget
{
    Q_OBJECT
public:
    ClusterWindow(LogStore& store, MainState& state, ContactEntry& entry,
                  ClusterSpotModel::LocatorOf locatorOf, const Services& services, HintBar& hints,
                  QWidget* parent);
    ~ClusterWindow() override;

    // "Вид → Кластер": shown where it was, in front.
    void showWindow();
    // Once the main window is up: connects when the operator left the cluster switched on (not
    // in a copy of the program that views a file), unless it is connected already.
    void startIfEnabled();
    // The call list was imported: the spots' locators, distances and azimuths again.
    void callListChanged();
    // A chat line: listed when it spots a station on one of the log's bands.
    void takeChatLine(const QString& time, const QString& call, const QString& name, const QString& text);

    ClusterClient* client() const { return m_client; }
    ClusterSpotModel* spots() const { return m_spots; }
    QTableView* spotView() const { return m_spotView; }

signals:
    // Double click on a spot: its call and locator for the entry fields; the locator the spot
    // gives, else the own log's (unless the spot's square is another), else the spot's square or
    // none (the entry panel offers the square, or the call list's locator).
    void stationPicked(const QString& call, const QString& locator);
    // And the rig to the spot's frequency on the spot's band (as the band list names it), when on.
    void tuneWanted(const QString& band, qint64 hz);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void loadSettings();
    void saveSettings();
    void switchedOnOrOff();
    void fieldsEdited();
    void connectToCluster();
    void showState(const QString& text);
    void addSpot(const ClusterSpot& spot);
    void spotPicked(int row);
    // The log changed: the contact of `rowid` saved or edited, or 0 for more.
    void logChanged(qint64 rowid);
    void refreshLogColumns();
    ClusterClient::Account account() const;

    LogStore& m_store;
    MainState& m_state;
    ContactEntry& m_entry;
    const Services& m_services;
    HintBar& m_hints;
    ClusterClient* m_client;
    std::map<int, WorkedCalls> m_worked; // by band key
    bool m_logStale = true;              // the bands and the contest's log are read when next needed
    ClusterSpotModel* m_spots;
    ClusterClient::Account m_started;
    bool m_loaded = false;
    bool m_shown = false;

    QLineEdit* m_server = nullptr;
    QSpinBox* m_port = nullptr;
    QLineEdit* m_login = nullptr;
    QCheckBox* m_enabled = nullptr;
    QTableView* m_spotView = nullptr;
    QLabel* m_stateLabel = nullptr;
};
