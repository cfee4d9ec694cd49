// The read-outs while typing, on a log of 100,000 contacts: one key in the locator field
// (read-out, needle turned and repainted) and one key in the call field (earlier contacts),
// with the rig's polling off and then on (hamlib's dummy rig read twice a second); and how soon
// a new frequency of the rig shows on the entry panel; the call list of 100,000 imported, read
// whole and an edited contact's calls read again.
#include "app/livefeedback.h"
#include "app/mainstate.h"
#include "app/tfmain.h"
#include "benchlog.h"
#include "controls/pickcombobox.h"
#include "controls/rotateimage.h"
#include "logging/entrypanel.h"
#include "onair/calllist.h"
#include "station/hamlibclient.h"
#include "station/rigcontrol.h"
#include "store/logstore.h"
#include "support/dummyrotctld.h"
#include "support/fakes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

// The events of a while, as the program sees them between keys.
void idle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, ms);
}

// Each key timed with the events it sets off; a few milliseconds between keys, as a fast
// typist leaves, so that the rig's answers come while the keys are typed.
template <typename F> Spread timeEach(int times, F&& key)
{
    std::vector<double> millis;
    for (int i = 0; i < times; ++i) {
        idle(5);
        QElapsedTimer t;
        t.start();
        key(i);
        QApplication::processEvents(); // the repaint, and whatever came from the network
        millis.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return spreadOf(millis);
}

struct Typing
{
    Spread locatorKey;
    Spread callKey;
};

Typing timeTyping(Tfmain& window)
{
    EntryPanel* entry = window.entryPanel();
    LiveFeedback* feedback = window.liveFeedback();
    // Locators all round the station, so that every key turns the needle.
    const char* locators[] = {"KO95AA", "KO86AA", "KO75AA", "KO84AA", "KO96XX", "KO74AA", "KN85AA", "LO05AA"};
    // Calls from the log, a letter at a time: from the fourth letter the earlier contacts.
    const char* calls[] = {"R0A1", "R0A10", "R5K3", "R5K30", "R9X0", "R9X12", "UA3A", "UA3AB"};
    Typing typing;
    typing.locatorKey = timeEach(400, [&](int i) {
        entry->locatorEdit->setText(QString::fromLatin1(locators[i % 8]));
        feedback->locatorTyped();
    });
    typing.callKey = timeEach(400, [&](int i) {
        entry->callEdit->setEditText(QString::fromLatin1(calls[i % 8]));
        feedback->callTyped();
    });
    return typing;
}

void printTyping(const char* polling, const Typing& typing)
{
    std::printf(
        "rig polling %s: one key in the locator field (read-out, needle turned and repainted): median "
        "%.2f ms, 99th percentile %.2f ms (aim: 2 ms median)\n",
        polling, typing.locatorKey.median, typing.locatorKey.p99);
    std::printf(
        "rig polling %s: one key in the call field (earlier contacts): median %.2f ms, 99th percentile "
        "%.2f ms (aim: 2 ms median)\n",
        polling, typing.callKey.median, typing.callKey.p99);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kovra.db"));
    std::printf("Building a log of 100,000 contacts in 20 contests...\n");
    fillBenchmarkLog(path);

    SettledWindow settled(path);
    Tfmain& window = settled.window;
    const Typing off = timeTyping(window);

    DummyRigctld rig;
    if (!rig.start()) {
        std::printf("rigctld (libhamlib-utils) is needed\n");
        return 1;
    }
    LogStore& store = settled.store;
    store.SetSet(QStringLiteral("RigPort"), LogStore::IntegerSetting, rig.port());
    store.SetSet(QStringLiteral("RigOn"), LogStore::IntegerSetting, 1);
    window.rigControl()->applySettings();
    QLabel* frequency = window.entryPanel()->frequencyLabel;
    idle(1000); // the first readings
    const Typing on = timeTyping(window);
    printTyping("off", off);
    printTyping("on", on);

    // A call list of 100,000 calls imported: the same keys, which now also list the matching
    // calls and offer a locator, and one lookup of a call's locator in it.
    std::vector<CallListEntry> list;
    for (int i = 0; i < 100000; ++i)
        list.push_back({QStringLiteral("%1%2%3%4")
                                .arg(QStringLiteral("R0R5G4DLOKF6UA").mid(i % 7 * 2, 2))
                                .arg(i % 10)
                                .arg(QChar('A' + i / 70 % 26))
                                .arg(QChar('A' + i / 1820 % 26)) +
                            QString::number(i / 47320),
                        QStringLiteral("KO85AA")});
    CallBook& book = window.state().callBook;
    QElapsedTimer importing;
    importing.start();
    book.import(store.db(), list);
    std::printf("call list: %d calls, imported in %.0f ms\n", book.listSize(),
                double(importing.nsecsElapsed()) / 1e6);
    // What a contact edited in the grid costs the call list: its two calls read again, against the
    // whole book read again (the log of 100,000 contacts, many calls worked often, and the list).
    QElapsedTimer whole;
    whole.start();
    book.load(store.db());
    const double loadMs = double(whole.nsecsElapsed()) / 1e6;
    std::vector<double> recheckMs;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer t;
        t.start();
        book.recheck(store.db(), {list[size_t(i)].call, QStringLiteral("R0A0")});
        recheckMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const Spread recheck = spreadOf(recheckMs);
    std::printf(
        "the call book read whole: %.0f ms; an edited contact's two calls read again: median %.3f ms, "
        "99th percentile %.3f ms\n",
        loadMs, recheck.median, recheck.p99);
    printTyping("on, with the call list", timeTyping(window));
    QElapsedTimer lookups;
    lookups.start();
    int found = 0;
    for (int i = 0; i < 100000; ++i)
        found += book.locatorOf(list[size_t(i)].call).isEmpty() ? 0 : 1;
    std::printf("one call's locator looked up in the call list of 100,000: %.3f us (%d found)\n",
                double(lookups.nsecsElapsed()) / 1e3 / 100000, found);

    // A new frequency set from outside, as the rig's knob sets it, until the panel shows it.
    std::vector<double> millis;
    for (int i = 0; i < 40; ++i) {
        const qint64 hz = 144100000 + 10000 * i;
        const QString shown = QLocale().toString(double(hz) / 1e6, 'f', 3);
        if (!rig.set("F " + QByteArray::number(hz) + '\n')) {
            std::printf("the dummy rig took no frequency\n");
            return 1;
        }
        QElapsedTimer t;
        t.start();
        while (!frequency->text().startsWith(shown) && t.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        millis.push_back(double(t.nsecsElapsed()) / 1e6);
        idle(int(QRandomGenerator::global()->bounded(500))); // anywhere in the poll interval
    }
    const Spread shows = spreadOf(millis);
    std::printf(
        "a new rig frequency on the panel: median %.0f ms, slowest %.0f ms of 40 (poll interval %d ms)\n",
        shows.median, *std::max_element(millis.begin(), millis.end()), HamlibClient::kPollMs);
    return 0;
}
