#pragma once

#include "app/tfmain.h"
#include "store/logstore.h"
#include "support/fakes.h"

#include <QDateTime>
#include <QString>

#include <vector>

// A log file as a busy club station has it after a few seasons: 100,000 contacts with
// 8,000 different calls in 20 contests, 2,000 of them on 144 MHz in the current contest
// (contest 1).
void fillBenchmarkLog(const QString& path);

// A log with one contest (current, own locator KO85UR) of `contacts` contacts spread evenly
// over the 24 hours from `start` (UTC) on four bands, from 3,000 stations up to about 700 km
// away in every direction, each scored as a save scores it.
void fillLargeContest(const QString& path, int contacts, const QDateTime& start);

struct Spread
{
    double median;
    double p99;
};
Spread spreadOf(std::vector<double> millis);

// The main window over a log file, shown and left to settle: the window an operator has
// had up for a while when the contact that is timed is typed.
struct SettledWindow
{
    explicit SettledWindow(const QString& path);
    FakeServices fakes;
    LogStore store;
    Tfmain window;
};
