#pragma once

#include <QDialog>
#include <QImage>

class LogStore;
class QComboBox;
class QLabel;
class QPushButton;
struct MainState;
struct Services;

// The time zone window, "Часовой пояс": how far the computer's clock is from UTC. The
// choice is stored as a position, 0 to 24 for the offsets -12 to +12 and 25 for the
// computer's own clock, and corrects the clock at once.
class Tfoptions : public QDialog
{
    Q_OBJECT
public:
    // `fontSize` is the main window's font-size slider position; the button follows it.
    // Every text takes `font`, the main window's.
    Tfoptions(LogStore& store, MainState& state, const Services& services, int fontSize, const QFont& font,
              QWidget* parent = nullptr);

    QComboBox* zoneList() const { return m_zones; }
    QLabel* mapPicture() const { return m_map; }
    QLabel* systemZoneLine() const { return m_systemZone; }
    QPushButton* saveButton() const { return m_save; }

    // The entry text of an offset from -12 to +12: "-5", "0", "+3 (Москва)".
    static QString entryText(int offset);
    // Where the time-zone map pictures are (Debian's libtimezonemap-data).
    static QString mapFolder();

private:
    void save();
    void showMap();

    LogStore& m_store;
    MainState& m_state;
    const Services& m_services;
    QImage m_world; // the world map at the picture's size; none without the package
    QLabel* m_map;
    QComboBox* m_zones;
    QLabel* m_systemZone;
    QPushButton* m_save;
};
