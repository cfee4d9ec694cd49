// A logging session with a backup every minute, on the real clock: a contact is saved
// every few seconds in the main window for five minutes, then the window is closed. Each
// copy left in the backups folder is then opened with the sqlite3 client, which checks its
// integrity and lists its contacts; every contact saved before the copy began must be in it.
//
//   bench_backupsession [minutes] [folder]     5 minutes and a temporary folder by default;
//                                              a folder given is kept, to look at afterwards
#include "app/tfmain.h"
#include "benchlog.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "platform/clock.h"
#include "store/logbackup.h"
#include "store/logstore.h"
#include "support/fakes.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace {

constexpr int kSaveEveryMs = 3000;

struct Saved
{
    QDateTime at;
    QString call;
};

QString sqliteClient(const QString& path, const QString& sql)
{
    QProcess client;
    client.start(QStringLiteral("sqlite3"), {path, sql});
    client.waitForFinished(60000);
    return QString::fromUtf8(client.readAllStandardOutput()).trimmed();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int minutes = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("Kovra.db"));
    const QString backups = QDir(folder).filePath(QStringLiteral("backups"));
    QDir(backups).removeRecursively();

    std::printf("Building a log of 100,000 contacts, BackupMinutes = 1...\n");
    fillBenchmarkLog(path);
    Database::open(path)->execNative(
        QStringLiteral("INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('BackupMinutes', 1)"));

    FakeServices fakes;
    SystemClock clock;
    const Services services{fakes.prompts, clock, fakes.desktop, fakes.random};
    std::vector<Saved> saved;
    {
        LogStore store(Database::open(path), fakes.prompts);
        Tfmain window(store, services);
        window.show();
        EntryPanel* entry = window.entryPanel();
        QObject::connect(window.findChild<LogBackup*>(), &LogBackup::copied, [](const QString& copy) {
            std::printf("  %s  copy %s\n", qPrintable(QDateTime::currentDateTimeUtc().toString(Qt::ISODate)),
                        qPrintable(QFileInfo(copy).fileName()));
            std::fflush(stdout);
        });
        QTimer saving;
        saving.setInterval(kSaveEveryMs);
        QObject::connect(&saving, &QTimer::timeout, [&] {
            const QString call = QStringLiteral("UB%1BK").arg(saved.size());
            entry->callEdit->setEditText(call);
            entry->receivedNumberEdit->setText(QString::number(saved.size() + 1));
            entry->locatorEdit->setText(QStringLiteral("KO95AA"));
            entry->saveButton->click();
            if (!entry->callEdit->currentText().isEmpty() || !fakes.prompts.shown.empty()) {
                std::printf("the save of %s did not go through\n", qPrintable(call));
                QCoreApplication::exit(1);
            }
            saved.push_back({QDateTime::currentDateTimeUtc(), call});
        });
        saving.start();
        QTimer::singleShot(minutes * 60 * 1000, &app, [] { QCoreApplication::exit(0); });
        std::printf("Saving a contact every %d s for %d minutes...\n", kSaveEveryMs / 1000, minutes);
        std::fflush(stdout);
        if (app.exec() != 0)
            return 1;
        window.close(); // the last copy of the session
    }

    const QStringList copies =
        QDir(backups).entryList({QStringLiteral("Kovra-*Z.db")}, QDir::Files, QDir::Name);
    std::printf("%zu contacts saved; %lld copies in %s:\n", saved.size(), qlonglong(copies.size()),
                qPrintable(backups));
    // A copy each interval while saving (the one due at the very end may give way to the
    // copy at close), each whole and holding what was saved before it began.
    bool whole = copies.size() >= minutes;
    QDateTime previous;
    for (const QString& name : copies) {
        const QString copy = QDir(backups).filePath(name);
        // The name is the UTC time the copy began.
        QDateTime began = QDateTime::fromString(name.mid(6, 19), QStringLiteral("yyyyMMdd-HHmmss-zzz"));
        began.setTimeSpec(Qt::UTC);
        const QString integrity = sqliteClient(copy, QStringLiteral("PRAGMA integrity_check"));
        const QStringList held = sqliteClient(copy, QStringLiteral("SELECT ContestListCall FROM ContestList "
                                                                   "WHERE ContestListCall LIKE 'UB%BK'"))
                                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        int before = 0, missing = 0;
        for (const Saved& s : saved) {
            if (s.at < began) {
                ++before;
                missing += held.contains(s.call) ? 0 : 1;
            }
        }
        whole = whole && integrity == QLatin1String("ok") && missing == 0;
        std::printf("  %s  %s after the last, integrity_check %s, %lld session contacts held, %d saved "
                    "before it, %d of them missing\n",
                    qPrintable(name),
                    previous.isValid()
                        ? qPrintable(QStringLiteral("%1 s").arg(previous.msecsTo(began) / 1000.0))
                        : "first",
                    qPrintable(integrity), qlonglong(held.size()), before, missing);
        previous = began;
    }
    std::printf(whole ? "a copy each minute, every copy whole and complete\n"
                      : "TOO FEW COPIES, OR A COPY IS DAMAGED OR INCOMPLETE\n");
    return whole ? 0 : 1;
}
