#pragma once

#include <QString>

#include <optional>
#include <span>

// Which of the log's bands and modes a rig is on. A band is keyed by its frequency in MHz (144,
// 432, 1300, ...: the band's BandRowid). A rig working a band through a transverter is on the
// band's frequency less the transverter's offset.

// The IARU Region 1 range of a band, in Hz, both ends in the band.
struct BandRange
{
    qint64 lowHz = 0;
    qint64 highHz = 0;
};
std::optional<BandRange> region1Range(int bandKey);

// Whether a stored contact frequency (MHz) lies on its band: a contact moved to another band
// in the grid keeps a frequency of the old one, which must not be exported as its own.
bool storedFrequencyFitsBand(int bandKey, double frequencyMHz);

// One entry of the band list.
struct StationBand
{
    int key = 0;
    double offsetMHz = 0; // rig frequency + offset = frequency on the band
};

// The frequency on a band of a rig's frequency: the band's offset added, when that lies in the
// band's range; none otherwise.
std::optional<qint64> frequencyOnBand(const StationBand& band, qint64 rigHz);

// The rig's frequency for a frequency on a band: the band's offset taken off; none when that
// leaves no frequency. An offset past ±1,000,000 MHz, which no transverter has, gives none here
// and in frequencyOnBand.
std::optional<qint64> rigFrequencyFor(const StationBand& band, qint64 bandHz);

// The band a rig's frequency is on, as a place in `bands`: the chosen one (a place, or -1 for
// none) when the frequency lies in it, otherwise the first that it lies in; none when it lies in
// no band.
std::optional<int> bandOfRigFrequency(std::span<const StationBand> bands, int chosen, qint64 rigHz);

// The log's mode of a rig's mode, as its REG1TEST code (1 SSB, 2 CW, 5 AM, 6 FM): USB and LSB
// are SSB, CW and CWR are CW, FM and FMN are FM, AM is AM. Data modes (PKTUSB and the like) and
// any other give none: the mode stays as it is.
std::optional<int> modeCodeOfRigMode(const QString& rigMode);
