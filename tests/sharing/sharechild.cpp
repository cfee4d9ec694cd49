// Saves contacts one after another on a log file whose contest is shared and whose band it
// holds, with the program's shared log running (the password from PGPASSWORD), and says
// "SAVED call" as soon as each save has returned; it is meant to be killed in the middle.
#include "sharing/sharedlog.h"
#include "store/logstore.h"
#include "store/schemaupgrade.h"
#include "support/fakes.h"
#include "support/sharedposition.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
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
