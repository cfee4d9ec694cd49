#pragma once

#include "onair/chatreader.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QSortFilterProxyModel>

#include <optional>
#include <vector>

class Database;

// The calls worked in a contest on a band in a mode with the time of their last contact, as the
// repeat rule counts them: read from the log once for a band and mode and kept up to date by
// the saves, so the chat's list asks nothing of the database for each station it shows.
class WorkedCalls
{
public:
    void load(Database& db, qint32 contestId, qint32 bandId, qint32 modeId);
    qint32 modeId() const { return m_modeId; }
    // A contact was saved on the band in the mode.
    void logged(const QString& call, double dateTime);
    // The last contact with the call on the band, a day count; none when not worked.
    std::optional<double> last(const QString& call) const;

private:
    QHash<QString, double> m_last; // by the call in upper case
    qint32 m_modeId = 0;
};

// The chat's stations with what the log says of them: distance and azimuth from the own
// locator, the last contact on the current band and when the repeat rule allows the next.
class ChatStationModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        CallColumn,
        LocatorColumn,
        DistanceColumn,
        AzimuthColumn,
        WorkedColumn,
        NextColumn,
        CommentColumn,
        ColumnCount
    };
    // The value a column sorts and filters by: text, or a number (-1 when unknown).
    static constexpr int SortRole = Qt::UserRole;

    // What the computed columns depend on besides the log.
    struct Reference
    {
        QString ownLocator;
        double periodDays = 0;
        bool tours = false;
        double nowUtc = 0;
    };

    explicit ChatStationModel(const WorkedCalls& worked, QObject* parent = nullptr);

    void setStations(const std::vector<ChatStation>& stations);
    void removeStation(const QString& call);
    // The computed columns again: another own locator, band, repeat period, or time.
    void setReference(const Reference& reference);
    const ChatStation& station(int row) const { return m_rows[size_t(row)].station; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static inline const QColor WaitingColor{255, 183, 183};
    static inline const QColor AllowedColor{183, 255, 183};

private:
    struct Row
    {
        ChatStation station;
        std::optional<int> azimuth;
        std::optional<double> distance;
        std::optional<double> last;
        double next = 0;
        bool waiting = false;
    };
    void compute(Row& row) const;
    QString timeText(double dayCount) const;

    const WorkedCalls& m_worked;
    Reference m_reference;
    std::vector<Row> m_rows;
};

// The stations within a distance and an azimuth sector. A station whose distance or azimuth
// is not known passes only while that limit is off.
class ChatStationFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    // At most this many km; 0 for any distance.
    void setMaxDistance(int km);
    // From `from` clockwise to `to` degrees, both included; 0 to 360 is the whole circle.
    void setSector(int from, int to);

    static bool inSector(int azimuth, int from, int to);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    int m_maxDistance = 0;
    int m_from = 0;
    int m_to = 360;
};
