#pragma once

#include <QDialog>
#include <QString>

class LogStore;
class Prompts;
class QCheckBox;
class QLineEdit;
class QSpinBox;

// The settings of a device behind one of hamlib's daemons: where the daemon listens and
// whether the device is used, in three Setting rows of its own.
class DaemonWindow : public QDialog
{
    Q_OBJECT
public:
    struct Device
    {
        QString title;       // the window's, as the menu names it
        QString hostLabel;   // "rotctld, адрес:"
        QString hostSetting; // the Setting rows
        QString portSetting;
        QString onSetting;
        QString defaultHost;
        int defaultPort = 0;
    };
    struct Options
    {
        QString host;
        int port = 0;
        bool on = false;
    };
    // The stored settings; a missing or unusable one is the default, and off.
    static Options load(LogStore& store, const Device& device);

    QLineEdit* hostEdit;
    QSpinBox* portEdit;
    QCheckBox* onBox;

protected:
    DaemonWindow(const Device& device, LogStore& store, Prompts& prompts, QWidget* parent);

private:
    void save();

    const Device& m_device;
    LogStore& m_store;
    Prompts& m_prompts;
};
