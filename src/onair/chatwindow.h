#pragma once

#include "onair/chatclient.h"
#include "onair/chatstations.h"

#include <QWidget>

#include <memory>
#include <vector>

class ContactEntry;
class HintBar;
class LogStore;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;
struct MainState;
struct Services;

// "Чат": the VHF chat beside the log. The stations in the room with their distance and
// azimuth from the own locator and whether the repeat rule allows them on the current band,
// the room's messages (those naming the own call marked), and a line to send. The window
// lives for the whole run; closing it hides it and the connection goes on.
class ChatWindow : public QWidget
{
    Q_OBJECT
public:
    ChatWindow(LogStore& store, MainState& state, ContactEntry& entry, const Services& services,
               HintBar& hints, QWidget* parent);
    ~ChatWindow() override;

    // "Вид → Чат": shown where it was, in front.
    void showWindow();
    // Once the main window is up: connects when the operator left the chat switched on (not
    // in a copy of the program that views a file), unless it is connected already.
    void startIfEnabled();

    ChatClient* client() const { return m_client; }
    ChatStationModel* stations() const { return m_stations; }
    QTableView* stationView() const { return m_stationView; }
    QListWidget* messages() const { return m_messages; }

    // The colour of a message that names the own call.
    static inline const QColor NamedColor{255, 226, 140};
    // The messages kept in the pane, the newest.
    static constexpr int kMessagesKept = 2000;

signals:
    // Double click on a station: its call and locator for the entry fields.
    void stationPicked(const QString& call, const QString& locator);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void loadSettings();
    void saveSettings();
    void saveGeometry();
    void switchedOnOrOff();
    void connectToChat();
    void fieldsEdited();
    void rememberChosen();
    void passwordEdited();
    void showState(const QString& text);
    void addMessage(const QString& time, const QString& call, const QString& name, const QString& text);
    // The line waits for showPendingLines(), which the event loop runs once the read is through.
    void addLine(const QString& text, const QColor& background, const QColor& foreground, bool bold);
    void showPendingLines();
    void roomsOffered(const QStringList& names);
    // A room taken from the list or typed in.
    void roomChosen();
    // The rooms in the list: the latest offer, and the room chosen when the offer lacks it.
    void showRooms();
    void sendLine();
    void stationChosen();
    void pickAgain();
    void filterChanged();
    void refreshLogColumns();
    ChatClient::Account account() const;

    LogStore& m_store;
    MainState& m_state;
    ContactEntry& m_entry;
    const Services& m_services;
    HintBar& m_hints;
    ChatClient* m_client;
    WorkedCalls m_worked;
    bool m_workedStale = true; // the band's log is read when next needed
    ChatStationModel* m_stations;
    ChatStationFilter* m_filter;
    ChatClient::Account m_started; // what the running connection was started with
    QString m_picked;              // the call "Лично" sends to
    QString m_chosenRoom;          // the room asked for: offered or the operator's own
    QStringList m_roomOffer;       // the server's latest, the known rooms until it offers
    bool m_loaded = false;
    bool m_shown = false;

    QLineEdit* m_server = nullptr;
    QSpinBox* m_port = nullptr;
    QComboBox* m_room = nullptr;
    QLineEdit* m_login = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_remember = nullptr;
    QCheckBox* m_enabled = nullptr;
    QSpinBox* m_maxDistance = nullptr;
    QSpinBox* m_sectorFrom = nullptr;
    QSpinBox* m_sectorTo = nullptr;
    QTableView* m_stationView = nullptr;
    QListWidget* m_messages = nullptr;
    QCheckBox* m_private = nullptr;
    QLineEdit* m_line = nullptr;
    QPushButton* m_send = nullptr;
    QLabel* m_stateLabel = nullptr;
    QTimer* m_refresh = nullptr;
    QTimer* m_showLines = nullptr;
    std::vector<std::unique_ptr<QListWidgetItem>> m_pending; // lines not yet in the pane
};
