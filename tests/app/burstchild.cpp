// Saves contacts one after another through the log's save path on the log file it is given,
// from call number `first` on, and says "SAVED call number" on its standard output as soon
// as each save has returned; it is meant to be killed in the middle.
#include "logging/contactlog.h"
#include "store/daycount.h"
#include "store/logstore.h"
#include "support/fakes.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    FakePrompts prompts;
    LogStore store(Database::open(QString::fromLocal8Bit(argv[1])), prompts);
    ContactLog log(store);
    std::printf("READY\n"); // the log is open: the burst starts now
    std::fflush(stdout);
    const int first = QByteArray(argv[2]).toInt();
    const int count = QByteArray(argv[3]).toInt();
    for (int i = first; i < first + count; ++i) {
        ContactFields fields;
        fields.band = QStringLiteral("144 MHz");
        fields.mode = QStringLiteral("SSB");
        fields.call = QStringLiteral("UA3K%1").arg(i);
        fields.locator = QStringLiteral("KO95AA");
        fields.sentReport = QStringLiteral("59");
        fields.sentNumber = QString::number(log.nextSerialNumber(1, 144));
        fields.receivedReport = QStringLiteral("59");
        fields.receivedNumber = QStringLiteral("1");
        const QDateTime now = QDateTime::currentDateTimeUtc();
        fields.date = now.date();
        fields.time = now.time();
        SaveContext context;
        context.contestId = 1;
        context.ownLocator = QStringLiteral("KO85UR");
        context.pointsPerKm = 1;
        context.nowUtc = toDayCount(now);
        const SaveOutcome outcome = log.save(fields, context);
        if (outcome.kind != SaveOutcome::Saved) {
            std::fprintf(stderr, "save %d: %d %s\n", i, int(outcome.kind), qPrintable(outcome.message));
            return 1;
        }
        std::printf("SAVED %s %s\n", qPrintable(fields.call), qPrintable(fields.sentNumber));
        std::fflush(stdout);
    }
    return 0;
}
