#include "station/bandplan.h"

#include <cmath>
#include <utility>

namespace {

constexpr qint64 kMHz = 1000000;
constexpr double kLargestOffsetMHz = 1e6;

// None for an offset no transverter has, which no band's frequency can come from.
std::optional<qint64> offsetHz(const StationBand& band)
{
    if (!std::isfinite(band.offsetMHz) || std::abs(band.offsetMHz) > kLargestOffsetMHz)
        return std::nullopt;
    return std::llround(band.offsetMHz * double(kMHz));
}

} // namespace

bool storedFrequencyFitsBand(int bandKey, double frequencyMHz)
{
    const std::optional<BandRange> range = region1Range(bandKey);
    const double hz = frequencyMHz * 1e6;
    // Half a hertz either way: the MHz were stored as a double.
    return range && hz >= double(range->lowHz) - 0.5 && hz <= double(range->highHz) + 0.5;
}

std::optional<BandRange> region1Range(int bandKey)
{
    static constexpr std::pair<int, BandRange> kRanges[] = {
        {144, {144 * kMHz, 146 * kMHz}},       {432, {430 * kMHz, 440 * kMHz}},
        {1300, {1240 * kMHz, 1300 * kMHz}},    {2300, {2300 * kMHz, 2450 * kMHz}},
        {5700, {5650 * kMHz, 5850 * kMHz}},    {10000, {10000 * kMHz, 10500 * kMHz}},
        {24000, {24000 * kMHz, 24250 * kMHz}},
    };
    for (const auto& [key, range] : kRanges) {
        if (key == bandKey)
            return range;
    }
    return std::nullopt;
}

std::optional<qint64> frequencyOnBand(const StationBand& band, qint64 rigHz)
{
    const std::optional<BandRange> range = region1Range(band.key);
    const std::optional<qint64> offset = offsetHz(band);
    if (!range || !offset)
        return std::nullopt;
    const qint64 hz = rigHz + *offset;
    if (hz < range->lowHz || hz > range->highHz)
        return std::nullopt;
    return hz;
}

std::optional<qint64> rigFrequencyFor(const StationBand& band, qint64 bandHz)
{
    const std::optional<qint64> offset = offsetHz(band);
    if (!offset || bandHz - *offset <= 0)
        return std::nullopt;
    return bandHz - *offset;
}

std::optional<int> bandOfRigFrequency(std::span<const StationBand> bands, int chosen, qint64 rigHz)
{
    if (chosen >= 0 && size_t(chosen) < bands.size() && frequencyOnBand(bands[size_t(chosen)], rigHz))
        return chosen;
    for (size_t i = 0; i < bands.size(); ++i) {
        if (frequencyOnBand(bands[i], rigHz))
            return int(i);
    }
    return std::nullopt;
}

std::optional<int> modeCodeOfRigMode(const QString& rigMode)
{
    static const std::pair<const char*, int> kModes[] = {{"USB", 1}, {"LSB", 1}, {"CW", 2}, {"CWR", 2},
                                                         {"FM", 6},  {"FMN", 6}, {"AM", 5}};
    for (const auto& [name, code] : kModes) {
        if (rigMode.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return code;
    }
    return std::nullopt;
}
