#pragma once

#include "station/daemonwindow.h"

// "Поворотное устройство": where hamlib's rotctld listens, and whether it is used.
class Tfrotator : public DaemonWindow
{
    Q_OBJECT
public:
    // The Setting rows RotatorHost, RotatorPort and RotatorOn; a missing one is the default.
    static Options load(LogStore& store);

    Tfrotator(LogStore& store, Prompts& prompts, QWidget* parent = nullptr);
};
