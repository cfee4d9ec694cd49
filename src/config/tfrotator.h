#pragma once

#include <QDialog>
#include <QString>

class LogStore;
class Prompts;
class QCheckBox;
class QLineEdit;
class QSpinBox;

// "Поворотное устройство": where hamlib's rotctld listens, and whether it is used.
class Tfrotator : public QDialog
{
    Q_OBJECT
public:
    struct Options
    {
        QString host = QStringLiteral("localhost");
        int port = 4533;
        bool on = false;
    };
    // The Setting rows RotatorHost, RotatorPort and RotatorOn; a missing one is the default.
    static Options load(LogStore& store);

    Tfrotator(LogStore& store, Prompts& prompts, QWidget* parent = nullptr);

    QLineEdit* hostEdit;
    QSpinBox* portEdit;
    QCheckBox* onBox;

private:
    void save();

    LogStore& m_store;
    Prompts& m_prompts;
};
