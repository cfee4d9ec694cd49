// Contacts from WSJT-X against typed ones, in the main window over a log of 100,000 contacts.
//
//   bench_wsjtx             all figures (needs no display: the offscreen platform is used)
//
// WSJT-X resends its logged contacts on reconnecting: 1,000 LoggedADIF datagrams are sent to
// the window's port with no pause, and timed until all are stored. Each contact's save is timed
// on its own (the record handed to the link's save, as a datagram's handler hands it), and the
// longest the event loop went without a turn during the burst is what a key pressed then waits.
// A typed save (the fields filled, the button clicked, the window repainted) is the yardstick.
#include "app/tfmain.h"
#include "benchlog.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "station/digitallink.h"
#include "station/wsjtxlink.h"
#include "store/logstore.h"
#include "support/dummyrotctld.h"
#include "support/wsjtxsender.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

double timedSave(Tfmain& window, int i)
{
    EntryPanel* entry = window.entryPanel();
    entry->callEdit->setEditText(QStringLiteral("UB%1XYZ").arg(i));
    entry->receivedNumberEdit->setText(QString::number(i + 1));
    entry->locatorEdit->setText(QStringLiteral("KO95AA"));
    QElapsedTimer t;
    t.start();
    entry->saveButton->click();
    QApplication::processEvents();
    return double(t.nsecsElapsed()) / 1e6;
}

qint64 countOf(LogStore& store, const QString& query)
{
    return store.db().queryFirst(query).value_or(DbValue(0)).toInt();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.db"));
    std::printf("Building a log of 100,000 contacts in 20 contests...\n");
    fillBenchmarkLog(path);
    const quint16 port = DummyDaemon::freePort();
    Database::open(path)->execNative(
        QStringLiteral("INSERT INTO Setting (SettingName, SettingParamInt) VALUES "
                       "('WsjtxOn', 1), ('WsjtxPort', %1), ('LastBand', 0)")
            .arg(port));

    SettledWindow w(path);
    DigitalLink& digital = *w.window.digitalLink();
    WsjtxLink& link = digital.link();
    if (link.port() != port) {
        std::printf("the window does not listen on port %d\n", port);
        return 1;
    }
    std::printf("receive buffer granted: %d KB\n", link.receiveBufferBytes() / 1024);

    // Typed saves first, on the same log.
    std::vector<double> typed;
    for (int i = 0; i < 300; ++i)
        typed.push_back(timedSave(w.window, i));

    // Each LoggedADIF's save on its own: the handler the window connected is replaced by a timed
    // call of the same save.
    std::vector<double> perContact;
    QObject::disconnect(&link, &WsjtxLink::datagramRead, &digital, nullptr);
    QObject::connect(&link, &WsjtxLink::datagramRead, &digital, [&](const WsjtxDatagram& d) {
        if (d.kind != WsjtxDatagram::LoggedAdif)
            return;
        QElapsedTimer t;
        t.start();
        digital.takeRecord(d.adif);
        perContact.push_back(double(t.nsecsElapsed()) / 1e6);
    });
    // A timer asking for every turn of the event loop: its longest wait is a key press's.
    QElapsedTimer sinceTurn;
    double longestWait = 0;
    QTimer turns;
    turns.setInterval(0);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        longestWait = std::max(longestWait, double(sinceTurn.nsecsElapsed()) / 1e6);
        sinceTurn.restart();
    });

    const QList<QByteArray> burst = wsjtx::contestBurst(1000);
    const qint64 before = countOf(w.store, QStringLiteral("SELECT COUNT(*) FROM ContestList"));
    WsjtxSender sender;
    QElapsedTimer total;
    total.start();
    sinceTurn.start();
    turns.start();
    for (const QByteArray& datagram : burst) {
        if (!sender.send(port, datagram)) {
            std::printf("a datagram was not sent\n");
            return 1;
        }
    }
    const double sent = double(total.nsecsElapsed()) / 1e6;
    const bool stored =
        QTest::qWaitFor([&] { return digital.savedCount() == 1000 && link.queued() == 0; }, 300000);
    const double all = double(total.nsecsElapsed()) / 1e6;
    turns.stop();
    const qint64 added = countOf(w.store, QStringLiteral("SELECT COUNT(*) FROM ContestList")) - before;
    if (!stored || added != 1000) {
        std::printf("stored %lld of 1000 (saved %d, dropped %d, unsaved %lld)\n", added, digital.savedCount(),
                    link.dropped(), qint64(digital.log().unsaved().size()));
        return 1;
    }

    // The same burst again: nothing is added.
    total.restart();
    for (const QByteArray& datagram : burst)
        sender.send(port, datagram);
    if (!QTest::qWaitFor([&] { return digital.repeatCount() == 1000; }, 300000)) {
        std::printf("the second burst was found stored %d times of 1000\n", digital.repeatCount());
        return 1;
    }
    const double again = double(total.nsecsElapsed()) / 1e6;
    const qint64 after = countOf(w.store, QStringLiteral("SELECT COUNT(*) FROM ContestList")) - before;

    const Spread typedSpread = spreadOf(typed);
    const Spread contactSpread = spreadOf(std::vector<double>(perContact.begin(), perContact.begin() + 1000));
    std::printf("typed save (fields, click, repaint): median %.2f ms, 99th %.2f ms (300 saves)\n",
                typedSpread.median, typedSpread.p99);
    std::printf(
        "1,000 LoggedADIF in a burst: sent in %.0f ms, all stored after %.0f ms (%.2f ms a contact)\n", sent,
        all, all / 1000);
    std::printf("  each contact's save: median %.2f ms, 99th %.2f ms\n", contactSpread.median,
                contactSpread.p99);
    std::printf("  longest wait for an event-loop turn during the burst: %.1f ms\n", longestWait);
    std::printf("the same 1,000 again: %lld added, %d found stored, in %.0f ms\n", after - added,
                digital.repeatCount(), again);
    return 0;
}
