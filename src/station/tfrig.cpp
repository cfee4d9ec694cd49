#include "station/tfrig.h"

#include "station/rig.h"

namespace {
const DaemonWindow::Device kRig{QStringLiteral("Трансивер"),
                                QStringLiteral("rigctld, адрес:"),
                                QStringLiteral("RigHost"),
                                QStringLiteral("RigPort"),
                                QStringLiteral("RigOn"),
                                QStringLiteral("127.0.0.1"),
                                Rig::kDefaultPort};
} // namespace

DaemonWindow::Options Tfrig::load(LogStore& store)
{
    return DaemonWindow::load(store, kRig);
}

Tfrig::Tfrig(LogStore& store, Prompts& prompts, QWidget* parent) : DaemonWindow(kRig, store, prompts, parent)
{
    setObjectName(QStringLiteral("frig"));
}
