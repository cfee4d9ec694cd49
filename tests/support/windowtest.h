#pragma once

#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QObject>

#include <memory>

class LogStore;
class Tfmain;
class QWidget;

// What the tests of the main window and its windows share: a new log file shaped by a
// few statements, the fakes, and the main window over that file once opened. The clock
// stands at 15 July 2015, 10:00 until a test moves it.
class WindowTest : public QObject
{
    Q_OBJECT
public:
    WindowTest();
    ~WindowTest() override;

protected:
    // A new log file; the native SQLite statements shape it.
    void prepare(const QString& statements = QString());
    // The main window, shown and active; a second call opens a new one on the same file.
    void openWindow();
    void release();
    // Whether a window's centre is that of `owner`, to the pixel that halving may lose.
    static bool isCentredOn(const QWidget& window, const QWidget& owner);

    std::unique_ptr<TempDatabase> m_file;
    std::unique_ptr<FakeServices> m_fakes;
    std::unique_ptr<LogStore> m_store;
    std::unique_ptr<Tfmain> m_window;
};
