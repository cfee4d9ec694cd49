#pragma once

#include "onair/chatstations.h"
#include "onair/clusterreader.h"
#include "store/logbands.h"

#include <QAbstractTableModel>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class Database;

// The band a frequency lies on, of those given; none when on none of them.
std::optional<LogBand> bandOfFrequency(const std::vector<LogBand>& bands, double kHz);

// The spots on the log's bands, newest first, with what the log says of each: the locator
// (from the spot, else from the call list), distance and azimuth from the own locator, the last
// contact with the call on the spot's band in this contest in the mode a save would take, and
// whether the repeat rule lets it be worked again yet (a station that may not be is greyed). A newer spot of
// a call on a band takes the place of the older one.
class ClusterSpotModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        TimeColumn,
        FrequencyColumn,
        BandColumn,
        CallColumn,
        LocatorColumn,
        DistanceColumn,
        AzimuthColumn,
        WorkedColumn,
        CommentColumn,
        ColumnCount
    };

    // The locator a call is known with; empty when not known.
    using LocatorOf = std::function<QString(const QString& call)>;

    // The worked calls of the contest in the entry panel's mode, by band key.
    ClusterSpotModel(const std::map<int, WorkedCalls>& worked, LocatorOf locatorOf,
                     QObject* parent = nullptr);

    void setBands(const std::vector<LogBand>& bands) { m_bands = bands; }
    // False, and nothing listed, for a spot on none of the log's bands.
    bool addSpot(const ClusterSpot& spot);
    // The computed columns again: another own locator, contest, repeat period, or time.
    void setReference(const ChatStationModel::Reference& reference);

    const ClusterSpot& spot(int row) const { return m_rows[size_t(row)].spot; }
    const LogBand& band(int row) const { return m_rows[size_t(row)].band; }
    QString locator(int row) const { return m_rows[size_t(row)].locator; }
    bool isGreyed(int row) const { return m_rows[size_t(row)].waiting; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static constexpr int kSpotsKept = 500;

private:
    struct Row
    {
        ClusterSpot spot;
        LogBand band;
        QString locator;
        std::optional<int> azimuth;
        std::optional<double> distance;
        std::optional<double> last;
        bool waiting = false;
    };
    void compute(Row& row) const;

    const std::map<int, WorkedCalls>& m_worked;
    LocatorOf m_locatorOf;
    std::vector<LogBand> m_bands;
    ChatStationModel::Reference m_reference;
    std::vector<Row> m_rows;
};
