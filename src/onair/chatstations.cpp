#include "onair/chatstations.h"

#include "logging/locator.h"
#include "logging/repeatrule.h"
#include "store/database.h"
#include "store/daycount.h"

#include <QBrush>

void WorkedCalls::load(Database& db, qint32 contestId, qint32 bandId, qint32 modeId)
{
    m_last.clear();
    m_modeId = modeId;
    db.queryEach(QStringLiteral("SELECT ContestListCall, MAX(ContestListDateTime) FROM ContestList WHERE "
                                "IdContest=%1 AND IdBand=%2 AND IdModulation=%3 GROUP BY ContestListCall")
                     .arg(contestId)
                     .arg(bandId)
                     .arg(modeId),
                 [this](const ResultRow& row) {
                     if (row[1].isNumeric())
                         logged(row[0].displayText(), row[1].toDouble());
                 });
}

void WorkedCalls::logged(const QString& call, double dateTime)
{
    const QString key = call.trimmed().toUpper();
    if (key.isEmpty())
        return;
    const auto found = m_last.find(key);
    if (found == m_last.end())
        m_last.insert(key, dateTime);
    else
        *found = std::max(*found, dateTime);
}

std::optional<double> WorkedCalls::last(const QString& call) const
{
    const auto found = m_last.constFind(call.trimmed().toUpper());
    if (found == m_last.constEnd())
        return std::nullopt;
    return *found;
}

ChatStationModel::ChatStationModel(const WorkedCalls& worked, QObject* parent)
    : QAbstractTableModel(parent), m_worked(worked)
{}

void ChatStationModel::setStations(const std::vector<ChatStation>& stations)
{
    beginResetModel();
    m_rows.clear();
    for (const ChatStation& station : stations) {
        Row row;
        row.station = station;
        compute(row);
        m_rows.push_back(row);
    }
    endResetModel();
}

void ChatStationModel::removeStation(const QString& call)
{
    for (int row = 0; row < int(m_rows.size()); ++row) {
        if (QString::compare(m_rows[size_t(row)].station.call, call, Qt::CaseInsensitive) != 0)
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
        return;
    }
}

void ChatStationModel::setReference(const Reference& reference)
{
    m_reference = reference;
    for (Row& row : m_rows)
        compute(row);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void ChatStationModel::compute(Row& row) const
{
    QString own = m_reference.ownLocator.trimmed();
    QString other = row.station.locator;
    row.azimuth.reset();
    row.distance.reset();
    if (LocatorIsValid(own) && LocatorIsValid(other)) {
        int azimuth = 0;
        double distance = 0;
        LocatorAzimuthDistance(own, other, azimuth, distance);
        row.azimuth = azimuth;
        row.distance = distance;
    }
    row.last = m_worked.last(row.station.call);
    row.next = row.last ? nextAllowedContact(*row.last, m_reference.periodDays, m_reference.tours) : 0;
    row.waiting = row.last && isTooEarly(row.next, m_reference.nowUtc);
}

// A time of today (UTC) as "HH:mm", of another day with its date.
QString ChatStationModel::timeText(double dayCount) const
{
    const QDateTime when = fromDayCount(dayCount);
    const bool today = when.date() == dayCountDate(m_reference.nowUtc);
    return when.toString(today ? QStringLiteral("HH:mm") : QStringLiteral("dd.MM HH:mm"));
}

int ChatStationModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ChatStationModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ChatStationModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows[size_t(index.row())];
    const ChatStation& station = row.station;
    const int column = index.column();
    if (role == Qt::DisplayRole) {
        switch (column) {
        case CallColumn:
            return station.away ? QStringLiteral("(%1)").arg(station.call) : station.call;
        case LocatorColumn:
            return station.locator;
        case DistanceColumn:
            return row.distance ? QString::number(qRound(*row.distance)) : QString();
        case AzimuthColumn:
            return row.azimuth ? QString::number(*row.azimuth) : QString();
        case WorkedColumn:
            return row.last ? timeText(*row.last) : QString();
        case NextColumn:
            return row.last ? timeText(row.next) : QString();
        case CommentColumn:
            return station.comment;
        default:
            return {};
        }
    }
    if (role == SortRole) {
        switch (column) {
        case CallColumn:
            return station.call;
        case LocatorColumn:
            return station.locator;
        case DistanceColumn:
            return row.distance.value_or(-1);
        case AzimuthColumn:
            return row.azimuth.value_or(-1);
        case WorkedColumn:
            return row.last.value_or(-1);
        case NextColumn:
            return row.last ? row.next : -1;
        case CommentColumn:
            return station.comment;
        default:
            return {};
        }
    }
    if (role == Qt::BackgroundRole && row.last && (column == WorkedColumn || column == NextColumn))
        return QBrush(row.waiting ? WaitingColor : AllowedColor);
    if (role == Qt::ForegroundRole && station.away)
        return QBrush(Qt::gray);
    if (role == Qt::TextAlignmentRole && (column == DistanceColumn || column == AzimuthColumn))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && column == CommentColumn)
        return station.comment;
    return {};
}

QVariant ChatStationModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[ColumnCount] = {"Позывной", "QTH",    "Км",         "Азим.",
                                                    "Связь",    "Повтор", "Комментарий"};
    if (section < 0 || section >= ColumnCount)
        return {};
    return QString::fromUtf8(titles[section]);
}

void ChatStationFilter::setMaxDistance(int km)
{
    m_maxDistance = std::max(0, km);
    invalidateFilter();
}

void ChatStationFilter::setSector(int from, int to)
{
    m_from = from;
    m_to = to;
    invalidateFilter();
}

bool ChatStationFilter::inSector(int azimuth, int from, int to)
{
    if (to - from >= 360)
        return true;
    const int a = ((azimuth % 360) + 360) % 360;
    const int f = ((from % 360) + 360) % 360;
    const int t = ((to % 360) + 360) % 360;
    return f <= t ? a >= f && a <= t : a >= f || a <= t;
}

bool ChatStationFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QAbstractItemModel* stations = sourceModel();
    auto value = [&](int column) {
        return stations->index(sourceRow, column, sourceParent).data(ChatStationModel::SortRole).toDouble();
    };
    if (m_maxDistance > 0) {
        const double distance = value(ChatStationModel::DistanceColumn);
        if (distance < 0 || distance > m_maxDistance)
            return false;
    }
    if (m_to - m_from < 360) {
        const double azimuth = value(ChatStationModel::AzimuthColumn);
        if (azimuth < 0 || !inSector(int(azimuth), m_from, m_to))
            return false;
    }
    return true;
}
