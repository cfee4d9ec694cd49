// The read-outs while typing, on a log of 100,000 contacts: one key in the locator field
// (read-out, needle turned and repainted) and one key in the call field (earlier contacts).
#include "app/livefeedback.h"
#include "app/tfmain.h"
#include "benchlog.h"
#include "controls/pickcombobox.h"
#include "controls/rotateimage.h"
#include "logging/entrypanel.h"
#include "store/logstore.h"
#include "support/fakes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>

namespace {

template <typename F> Spread timeEach(int times, F&& key)
{
    std::vector<double> millis;
    for (int i = 0; i < times; ++i) {
        QElapsedTimer t;
        t.start();
        key(i);
        QApplication::processEvents(); // the repaint
        millis.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return spreadOf(millis);
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
    EntryPanel* entry = window.entryPanel();
    LiveFeedback* feedback = window.liveFeedback();

    // Locators all round the station, so that every key turns the needle.
    const char* locators[] = {"KO95AA", "KO86AA", "KO75AA", "KO84AA", "KO96XX", "KO74AA", "KN85AA", "LO05AA"};
    const Spread locatorKey = timeEach(400, [&](int i) {
        entry->locatorEdit->setText(QString::fromLatin1(locators[i % 8]));
        feedback->locatorTyped();
    });

    // Calls from the log, a letter at a time: from the fourth letter the earlier contacts.
    const char* calls[] = {"R0A1", "R0A10", "R5K3", "R5K30", "R9X0", "R9X12", "UA3A", "UA3AB"};
    const Spread callKey = timeEach(400, [&](int i) {
        entry->callEdit->setEditText(QString::fromLatin1(calls[i % 8]));
        feedback->callTyped();
    });

    std::printf("one key in the locator field (read-out, needle turned and repainted): median %.2f ms, "
                "99th percentile %.2f ms (aim: 2 ms median)\n",
                locatorKey.median, locatorKey.p99);
    std::printf("one key in the call field (earlier contacts): median %.2f ms, 99th percentile %.2f ms "
                "(aim: 2 ms median)\n",
                callKey.median, callKey.p99);
    return 0;
}
