#pragma once

#include "sharing/sharesettings.h"
#include "sharing/syncworker.h"

#include <QObject>
#include <QPair>
#include <QSet>

#include <memory>

class LogStore;
struct Services;

// The shared log as the window sees it, on the window's thread and without a window of its
// own: the settings, the journal every write of the log tells, the link to the server on its
// worker thread, the leases of the current band, and the texts the hint bar shows. A station
// that never switches sharing on gets nothing of it but an idle journal.
class SharedLog : public QObject
{
    Q_OBJECT
public:
    SharedLog(LogStore& store, const Services& services, QObject* parent = nullptr);
    ~SharedLog() override;

    ShareJournal& journal() { return *m_journal; }
    const ShareSettings& settings() const { return m_settings; }
    bool online() const { return m_link == SyncWorker::Link::Connected; }
    const QString& status() const { return m_status; }
    // The worker's delays, shorter in tests.
    void setWorkerOptions(const SyncWorker::Options& options) { m_options = options; }

    // New settings (and the password typed for them, kept in memory only): the link starts
    // again with them, or stops.
    void apply(const ShareSettings& settings, const QString& password = QString());
    // The link as the stored settings say; a password asked for is kept until then.
    void start();
    // Settings changed in the window: the password is kept for the same login.
    void reconfigure(const ShareSettings& settings);

    // Choosing a band, or the rig passing through it, takes nothing: a free band is taken by
    // the first contact saved on it, or by "Взять диапазон".
    void takeBand(qint32 contestId, qint32 bandId, bool takeover);
    void releaseBand(qint32 contestId, qint32 bandId);
    // "Взять диапазон": a free band is taken; one whose holder fell silent is taken over once
    // the operator confirms; one whose holder is heard is refused with a box naming it.
    void requestBand(qint32 contestId, qint32 bandId, const QString& bandName);
    // "Создать общее соревнование": the contest, with its contacts, on the server.
    void shareContest(qint32 contestId);
    // "Присоединиться": a local copy of the server's contest, made current; refused with a
    // box when this position's bands differ from the contest's.
    void joinContest(const SharedContest& contest);
    void listContests();
    // "Занять место позиции…": a spare computer takes over the id, the name and so the bands of
    // a position of the contest that fell silent, once the operator has chosen it and confirmed.
    void requestPlace(qint32 contestId);
    // Whether the server keeps this log away as a copy of another position's file.
    bool refusedAsCopy() const { return m_refusedAsCopy; }
    // "Сделать новой позицией": a log kept away as a copy goes on as a position of its own,
    // once the operator confirms and names it: a new id, none of the other's bands, and what
    // waits in the outbox sent as this position's.
    void becomeNewPosition();

signals:
    // The link's state for the hint bar; empty when sharing is off.
    void statusChanged(const QString& text);
    // A failure, a lost edit or a vanished contest for the hint bar; empty withdraws it.
    void noticeChanged(const QString& text);
    void contactsArrived(const QVector<ArrivedContact>& contacts);
    // The leases of a contest changed: the numbers and the window follow.
    void leasesChanged(qint32 contestId);
    void contestsListed(const std::vector<SharedContest>& contests);
    // The current contest changed, or it became shared or stopped being shared.
    void currentContestChanged();
    // This position now goes by another's id and name.
    void positionChanged();
    // Whether the server keeps this log away as a copy changed.
    void refusedAsCopyChanged(bool refused);

private:
    void startWorker();
    void linkChanged(SyncWorker::Link link, qint64 count);
    void problem(const QString& text, bool loginRefused);
    void leaseAnswered(qint32 contestId, qint32 bandId, const LeaseAnswer& answer, bool takeover);
    QString bandName(qint32 bandId) const;
    void offerPlace(qint32 contestId, const std::vector<SharePosition>& positions);
    void adoptPosition(const SharePosition& silent, bool adoptable);
    void offerTakeover(qint32 contestId, qint32 bandId, const QString& bandName, const BandLease& lease);
    void wakeLater();
    void setStatus(const QString& text);
    void setRefusedAsCopy(bool refused);

    LogStore& m_store;
    const Services& m_services;
    std::unique_ptr<ShareJournal> m_journal;
    std::unique_ptr<SyncWorker> m_worker;
    SyncWorker::Options m_options;
    ShareSettings m_settings;
    QString m_password;
    SyncWorker::Link m_link = SyncWorker::Link::Offline;
    QString m_status;
    bool m_askPassword = false;
    bool m_placeAsked = false; // the silent positions listed are for "Занять место позиции…"
    bool m_refusedAsCopy = false;
    // The bands "Взять диапазон" asked for and not yet answered, as (contest, band).
    QSet<QPair<qint32, qint32>> m_bandsRequested;
};

// The bands of this log as a shared contest keeps them: "144:1;432:2;..." in key order.
QString bandsOfLog(LogStore& store);
// What differs between this log's bands and a shared contest's, one line a band.
QStringList bandDifferences(const QString& here, const QString& shared);

// A contact whose serial number another contact of its band also has: possible only when a
// position that lost its band pushes what it logged meanwhile. Both are kept, and listed.
struct RepeatedSerial
{
    qint64 rowid = 0;
    QString band; // the band's name
    QString text; // "144 MHz, № 5, UA3AAA, Палатка 1, 15.07 10:00"
};
std::vector<RepeatedSerial> repeatedSerials(LogStore& store, qint32 contestId);
