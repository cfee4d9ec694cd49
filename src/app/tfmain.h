#pragma once

#include "app/mainstate.h"

#include <QMainWindow>

#include <memory>

class ContactEntry;
class DigitalLink;
class LiveFeedback;
class LogBackup;
class RigControl;
class Rotator;
class SharedLog;
class Tftimer;
class Tfunsaved;
class EntryPanel;
class LogStore;
class LogView;
class MapServer;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTimer;
class StatisticsWindow;
struct Services;

// The main window: the entry panel on the left, the log on the right, the main menu, the
// UTC clock, and what is restored at start and saved at close.
class Tfmain : public QMainWindow
{
    Q_OBJECT
public:
    Tfmain(LogStore& store, const Services& services, const QString& fileArgument = QString(),
           QWidget* parent = nullptr);
    ~Tfmain() override;

    LogStore& store() { return m_store; }
    const Services& services() const { return m_services; }
    MainState& state() { return m_state; }
    EntryPanel* entryPanel() const { return m_entry; }
    LogView* logView() const { return m_log; }
    ContactEntry* contactEntry() const { return m_contactEntry; }
    LiveFeedback* liveFeedback() const { return m_liveFeedback; }
    Tftimer* timerWindow() const { return m_timer; }
    RigControl* rigControl() const { return m_rig; }
    SharedLog* sharedLog() const { return m_shared; }
    DigitalLink* digitalLink() const { return m_digital; }

    // "Несохранённые связи": the contacts from WSJT-X that could not be saved.
    void showUnsavedContacts();

    // "Таймер обратного отсчёта": shows the timer window with its list, or hides it.
    void showTimerWindow(bool show);
    // "Статистика", created when first asked for; it follows the saves, edits and deletes.
    void showStatistics();
    // The contest manager, modal; the main window follows the contest chosen there.
    void openContestManager();
    // "Экспорт в EDI": the options, the folder, one file per band of the current contest.
    void exportEdi();
    // "Проверка лога": the findings in the current contest. Before an export the window shows
    // only when something is found; gives whether the operator goes on.
    bool checkLog(bool beforeExport);
    // The log grid on a contact, on its band.
    void goToContact(qint64 rowid, const QString& band);
    // Ctrl+R and the button beside the compass: the antenna to the azimuth the compass shows.
    void turnAntenna();
    // The rotator as its settings say: on or off, and where rotctld listens.
    void applyRotatorSettings();
    // "Карта связей": the own station and the rows the log grid shows on a web map page,
    // served by the program and opened in the browser.
    void showMap();
    // "Экспорт в ADI": the rows the log grid shows, in its order, into one file.
    void exportAdif();
    // "Импорт EDI": EDI files added to the current contest through the save's checks, after a
    // summary window; nothing is written unless "Импортировать" is pressed.
    void importEdi();
    // "Открыть", and a file named on the command line: the file's contacts in the grid in
    // place of the log, read-only, until the program closes. `fileArgument` (when not
    // blank) is the file; otherwise the operator picks one.
    void openEdiFile(const QString& fileArgument = QString());
    // "Установить" and "Убрать": this program as the desktop's viewer of *.edi files.
    // "Импорт списка позывных": a CALL3.TXT, CALL;LOCATOR or EDI file into the call list.
    void importCallList();
    void registerAsEdiViewer();
    void unregisterAsEdiViewer();
    // "Часовой пояс", modal; a stored choice corrects the clock at once.
    void openTimeZoneWindow();
    // The hint bar says when the stored zone is not the computer's offset now (after a change
    // to summer time, say).
    void showZoneMismatch();
    // A contest was made current: its log, caption and numbers; the timer window closes.
    void contestChanged();
    QAction* action(const QString& objectName) const;

    // Own call and locator from the personal data, the current contest, the caption.
    void LoadCallAndQTH();
    // The slider's font size: window font, entry fields, grid columns, the layout.
    void applyFontSize();
    // One tick of the clock: local time plus the offset into both pickers.
    void tickClock();
    // "Текущие дата/время": running clock with locked pickers, or manual entry.
    void applyClockMode();
    // The hidden "UpdateBD" button.
    void runSchemaUpgrade();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The window sees keys before its fields: Ctrl+Enter saves, and the window's own
    // shortcuts win over the fields' (Ctrl+X clears the entry, it does not cut).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildWindow();
    void buildMenu();
    void buildActions();
    void connectEntry();
    void createTimerWindow();
    void startUp();
    void fillBandAndModeLists();
    void applyEarlierContactsColumnSettings();
    void saveWindowSettings();
    // Everything but the grid stops taking input: entry, navigator, menu and shortcuts.
    void lockForViewer();
    // The splitter lays out only once shown; until then the width waits.
    void setLeftFrameWidth(int width);

    LogStore& m_store;
    const Services& m_services;
    MainState m_state;

    QSplitter* m_splitter = nullptr;
    EntryPanel* m_entry = nullptr;
    LogView* m_log = nullptr;
    ContactEntry* m_contactEntry = nullptr;
    LiveFeedback* m_liveFeedback = nullptr;
    Tftimer* m_timer = nullptr;
    StatisticsWindow* m_statistics = nullptr;
    QPushButton* m_upgradeButton = nullptr;
    QTimer* m_clockTimer = nullptr;
    QTimer* m_startTimer = nullptr;
    QAction* m_realTimeClock = nullptr;
    int m_pendingLeftWidth = 0;
    LogBackup* m_backup = nullptr;
    Rotator* m_rotator = nullptr;
    SharedLog* m_shared = nullptr;
    bool m_rotatorOn = false;
    RigControl* m_rig = nullptr;
    DigitalLink* m_digital = nullptr;
    Tfunsaved* m_unsaved = nullptr;
    std::unique_ptr<MapServer> m_mapServer; // listens from the first map on
};
