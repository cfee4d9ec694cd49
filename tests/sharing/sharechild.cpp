// Saves contacts one after another on a log file whose contest is shared and whose band it
// holds, with the program's shared log running (the password from PGPASSWORD), and says
// "SAVED call" as soon as each save has returned; it is meant to be killed in the middle.
// With "hold-lease" first, it is a position that hangs while it takes a band: on a connection
// of the program's, with the given idle-in-transaction timeout, it locks the band's lease row
// in a transaction it never ends, says "LOCKED", and waits to be stopped and killed.
#include "sharing/pgconnection.h"
#include "sharing/sharedlog.h"
#include "store/logstore.h"
#include "store/schemaupgrade.h"
#include "support/fakes.h"
#include "support/sharedposition.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

// hold-lease host port database user contest band idle-ms
int holdLease(char** argv)
{
    const ServerAddress address{QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt(),
                                QString::fromLocal8Bit(argv[4]), QString::fromLocal8Bit(argv[5]), QString()};
    std::unique_ptr<PgConnection> connection; // kept open while it waits
    try {
        connection = std::make_unique<PgConnection>(address, PgConnection::kAnswerTimeoutMs,
                                                    QByteArray(argv[8]).toInt());
        connection->exec(QStringLiteral("BEGIN"));
        const std::vector<PgParam> lease{QString::fromLocal8Bit(argv[6]), QString::fromLocal8Bit(argv[7])};
        connection->exec(QStringLiteral("INSERT INTO kovra_lease (contest, band) VALUES ($1, $2) "
                                        "ON CONFLICT DO NOTHING"),
                         lease);
        connection->exec(
            QStringLiteral("SELECT holder FROM kovra_lease WHERE contest = $1 AND band = $2 FOR UPDATE"),
            lease);
    } catch (const PgError& e) {
        std::fprintf(stderr, "hold-lease: %s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("LOCKED\n");
    std::fflush(stdout);
    while (true)
        ::pause();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 9 && QByteArray(argv[1]) == "hold-lease")
        return holdLease(argv);
    if (argc != 5)
        return 2;
    FakeServices fakes;
    LogStore store(Database::open(QString::fromLocal8Bit(argv[1])), fakes.prompts);
    SchemaUpgrade(store);
    store.openSettingCursors();
    SharedLog shared(store, fakes.services);
    shared.setWorkerOptions(shortDelays());
    shared.start();
    const qint32 contestId = QByteArray(argv[2]).toInt();
    const int first = QByteArray(argv[3]).toInt();
    const int count = QByteArray(argv[4]).toInt();
    std::printf("READY\n");
    std::fflush(stdout);
    for (int i = first; i < first + count; ++i) {
        const QString call = QStringLiteral("UA3K%1").arg(i);
        const SaveOutcome outcome = saveContact(store, contestId, call, 144, fakes.clock.current);
        if (outcome.kind != SaveOutcome::Saved) {
            std::fprintf(stderr, "save %d: %d %s\n", i, int(outcome.kind), qPrintable(outcome.message));
            return 1;
        }
        std::printf("SAVED %s\n", qPrintable(call));
        std::fflush(stdout);
        // The worker sends while the next contact is typed.
        QElapsedTimer typing;
        typing.start();
        while (typing.elapsed() < 3)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return 0;
}
