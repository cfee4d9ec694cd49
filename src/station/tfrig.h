#pragma once

#include "station/daemonwindow.h"

// "Трансивер": where hamlib's rigctld listens, and whether the rig is used.
class Tfrig : public DaemonWindow
{
    Q_OBJECT
public:
    // The Setting rows RigHost, RigPort and RigOn; a missing one is the default.
    static Options load(LogStore& store);

    Tfrig(LogStore& store, Prompts& prompts, QWidget* parent = nullptr);
};
