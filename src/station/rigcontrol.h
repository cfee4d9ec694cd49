#pragma once

#include "station/bandplan.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <optional>

class EntryPanel;
class HintBar;
class LogStore;
class Prompts;
class QWidget;
class Rig;

// The rig as the entry panel sees it. While it is on, the band list follows the rig's frequency
// (the chosen band while it holds the frequency, else the first that does), the mode list its
// mode, each when the rig changes, not against a choice made by hand since; the panel shows the
// frequency on the chosen band, which a saved contact takes; the hint bar says how the rig
// answers and when its frequency is on none of the log's bands.
class RigControl : public QObject
{
    Q_OBJECT
public:
    RigControl(LogStore& store, Prompts& prompts, EntryPanel& panel, HintBar& hints,
               QObject* parent = nullptr);

    // The settings of "Трансивер": on or off, and where rigctld listens. Switched on, the bands'
    // keys and transverter offsets and the modes' names are read.
    void applySettings();
    // Whether the rig is switched on: then its frequency and mode win over other sources.
    bool isOn() const;
    // The window "Трансивер" over `parent`, in its font; the settings saved there apply at once.
    void openSettings(QWidget* parent);
    // The bands' transverter offsets again, after the bands window, while on.
    void reloadBands();
    // Tunes the rig to a frequency on a band (named as the band list names it), the band's
    // transverter offset taken off, and chooses that band, which the rig's frequency alone may
    // not tell through a transverter: for the windows that offer a frequency. False, and nothing
    // done, while the rig is off or when the frequency is not on that band (said in the hint bar).
    bool tune(const QString& band, qint64 hzOnBand);

signals:
    // The lists show another band or mode, as if the operator had chosen it.
    void bandSwitched();
    void modeSwitched();

private:
    void loadBands();
    void follow(qint64 hz, const QString& mode);
    void followBand(qint64 hz);
    void followMode(const QString& mode);
    // A place in the band list, as if the operator had chosen it.
    void choose(int band);
    void forget();
    void showFrequency();
    StationBand bandNamed(const QString& name) const;

    LogStore& m_store;
    Prompts& m_prompts;
    EntryPanel& m_panel;
    HintBar& m_hints;
    Rig* m_rig;
    QHash<QString, StationBand> m_bands; // by the name the band list shows
    QHash<int, QString> m_modeNames;     // by REG1TEST code
    // The last reading followed; none while the rig is off or not answering.
    std::optional<qint64> m_hz;
    QString m_mode;
    bool m_offBandSaid = false;
};
