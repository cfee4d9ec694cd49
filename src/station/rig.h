#pragma once

#include "station/hamlibclient.h"

// A transceiver behind hamlib's rigctld: "f" reads its frequency and "m" its mode, one question
// at a time, about twice a second; "F" tunes it.
class Rig : public HamlibClient
{
    Q_OBJECT
public:
    explicit Rig(QObject* parent = nullptr);

    // Tunes the rig to a frequency in Hz; nothing while it is switched off.
    void tune(qint64 hz);

    static constexpr quint16 kDefaultPort = 4532;

signals:
    // One whole reading: the frequency in Hz and the mode as hamlib names it ("USB", "PKTUSB"),
    // empty for a rig that cannot tell its mode.
    void read(qint64 hz, const QString& mode);

protected:
    void poll() override;
    void answered(int tag, const HamlibAnswer& answer) override;

private:
    enum Tag { Frequency, Mode, Tune };

    qint64 m_hz = 0; // of the reading under way
};
