#include "onair/clusterspots.h"

#include "logging/locator.h"
#include "logging/repeatrule.h"
#include "station/bandplan.h"
#include "store/database.h"
#include "store/daycount.h"

#include <QBrush>
#include <QLocale>

#include <cmath>

std::optional<LogBand> bandOfFrequency(const std::vector<LogBand>& bands, double kHz)
{
    if (!std::isfinite(kHz) || kHz <= 0 || kHz > 1e9)
        return std::nullopt;
    const qint64 hz = std::llround(kHz * 1000);
    for (const LogBand& band : bands) {
        const std::optional<BandRange> range = region1Range(band.key);
        if (range && hz >= range->lowHz && hz <= range->highHz)
            return band;
    }
    return std::nullopt;
}

ClusterSpotModel::ClusterSpotModel(const std::map<int, WorkedCalls>& worked, LocatorOf locatorOf,
                                   QObject* parent)
    : QAbstractTableModel(parent), m_worked(worked), m_locatorOf(std::move(locatorOf))
{}

bool ClusterSpotModel::addSpot(const ClusterSpot& spot)
{
    const std::optional<LogBand> band = bandOfFrequency(m_bands, spot.kHz);
    if (!band)
        return false;
    for (int row = 0; row < int(m_rows.size()); ++row) {
        const Row& old = m_rows[size_t(row)];
        if (old.band.key == band->key && old.spot.call == spot.call) {
            beginRemoveRows(QModelIndex(), row, row);
            m_rows.erase(m_rows.begin() + row);
            endRemoveRows();
            break;
        }
    }
    if (int(m_rows.size()) >= kSpotsKept) {
        beginRemoveRows(QModelIndex(), kSpotsKept - 1, int(m_rows.size()) - 1);
        m_rows.resize(kSpotsKept - 1);
        endRemoveRows();
    }
    Row row;
    row.spot = spot;
    row.band = *band;
    compute(row);
    beginInsertRows(QModelIndex(), 0, 0);
    m_rows.insert(m_rows.begin(), row);
    endInsertRows();
    return true;
}

void ClusterSpotModel::setReference(const ChatStationModel::Reference& reference)
{
    m_reference = reference;
    for (Row& row : m_rows)
        compute(row);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void ClusterSpotModel::compute(Row& row) const
{
    // A spot that gives only a square yields to a known locator within it.
    const QString known = row.spot.locator.size() == 6 ? QString() : m_locatorOf(row.spot.call);
    row.locator = known.startsWith(row.spot.locator) ? known : row.spot.locator;
    QString own = m_reference.ownLocator.trimmed();
    QString other = completeLocator(row.locator); // a list's square: its middle
    row.azimuth.reset();
    row.distance.reset();
    if (LocatorIsValid(own) && LocatorIsValid(other)) {
        int azimuth = 0;
        double distance = 0;
        LocatorAzimuthDistance(own, other, azimuth, distance);
        row.azimuth = azimuth;
        row.distance = distance;
    }
    const auto worked = m_worked.find(row.band.key);
    row.last = worked == m_worked.end() ? std::nullopt : worked->second.last(row.spot.call);
    row.waiting =
        row.last && isTooEarly(nextAllowedContact(*row.last, m_reference.periodDays, m_reference.tours),
                               m_reference.nowUtc);
}

int ClusterSpotModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ClusterSpotModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ClusterSpotModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows[size_t(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case TimeColumn:
            return row.spot.time.left(2) + QLatin1Char(':') + row.spot.time.mid(2);
        case FrequencyColumn: {
            QLocale locale;
            locale.setNumberOptions(QLocale::OmitGroupSeparator); // as a cluster writes it
            return locale.toString(row.spot.kHz, 'f', 1);
        }
        case BandColumn:
            return row.band.name;
        case CallColumn:
            return row.spot.call;
        case LocatorColumn:
            return row.locator;
        case DistanceColumn:
            return row.distance ? QString::number(qRound(*row.distance)) : QString();
        case AzimuthColumn:
            return row.azimuth ? QString::number(*row.azimuth) : QString();
        case WorkedColumn:
            return row.last ? fromDayCount(*row.last).toString(QStringLiteral("dd.MM HH:mm")) : QString();
        case CommentColumn:
            return row.spot.comment;
        default:
            return {};
        }
    }
    if (role == Qt::ForegroundRole && row.waiting)
        return QBrush(Qt::gray);
    if (role == Qt::TextAlignmentRole &&
        (index.column() == FrequencyColumn || index.column() == DistanceColumn ||
         index.column() == AzimuthColumn))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole)
        return QStringLiteral("%1 от %2").arg(row.spot.comment, row.spot.spotter).trimmed();
    return {};
}

QVariant ClusterSpotModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    static const char* const titles[ColumnCount] = {"Время", "кГц",   "Диапазон", "Позывной",   "QTH",
                                                    "Км",    "Азим.", "Связь",    "Комментарий"};
    return QString::fromUtf8(titles[section]);
}
