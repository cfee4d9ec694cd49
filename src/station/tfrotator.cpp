#include "station/tfrotator.h"

#include "station/rotator.h"

namespace {
const DaemonWindow::Device kRotator{QStringLiteral("Поворотное устройство"),
                                    QStringLiteral("rotctld, адрес:"),
                                    QStringLiteral("RotatorHost"),
                                    QStringLiteral("RotatorPort"),
                                    QStringLiteral("RotatorOn"),
                                    QStringLiteral("localhost"),
                                    Rotator::kDefaultPort};
} // namespace

DaemonWindow::Options Tfrotator::load(LogStore& store)
{
    return DaemonWindow::load(store, kRotator);
}

Tfrotator::Tfrotator(LogStore& store, Prompts& prompts, QWidget* parent)
    : DaemonWindow(kRotator, store, prompts, parent)
{
    setObjectName(QStringLiteral("frotator"));
}
