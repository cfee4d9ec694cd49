#pragma once

#include "app/tfmain.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QObject>
#include <QtTest>

#include <functional>
#include <memory>

class LogStore;
class DataGrid;
class QAbstractItemView;
class QModelIndex;
class QComboBox;
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
    // A file argument is opened as the program opens one named on its command line.
    void openWindow(const QString& fileArgument = QString());
    void release();

public:
    // Picks an entry of a drop-down list with the keys, as the operator does: Home (Up in a
    // list one may type into), then Down to the entry (each step chooses, as the keys do).
    static void chooseInList(QComboBox* list, int index);

protected:
    // Runs `trigger` in the main window, made active first, and `act` on the modal window of
    // type W that it opens; the window is closed afterwards if `act` left it open.
    template <typename W>
    void inModal(const std::function<void()>& trigger, const std::function<void(W*)>& act)
    {
        bool seen = false;
        whenModalOpens([&](QWidget* modal) {
            auto* window = qobject_cast<W*>(modal);
            QVERIFY(window);
            seen = true;
            act(window);
        });
        // A window manager gives the activation back after a modal window; offscreen, we do.
        QApplication::setActiveWindow(m_window.get());
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        trigger();
        QVERIFY2(seen, qPrintable(m_fakes->prompts.texts().join(" | ")));
    }
    // Runs `act` on the next modal window once it is up (a modal window's exec() returns
    // only after `act` closed it).
    static void whenModalOpens(std::function<void(QWidget*)> act);
    // Opens the editor of a grid cell as the operator does, a double click on the cell, and
    // gives the editor, which has the focus.
    static QWidget* openCellEditor(DataGrid& grid, int row, int column);
    // A click on an item of a view as a mouse sends it, at the item's centre.
    static void click(QAbstractItemView& view, const QModelIndex& index);
    // A double click on an item of a view as a mouse sends it: a click, then the double click.
    static void doubleClick(QAbstractItemView& view, const QModelIndex& index);
    // Types a contact into the main window's entry panel the way an operator does (call, Enter,
    // Enter past the report, number, Enter, locator) and saves it with Ctrl+Enter.
    void typeContact(const QString& call, const QString& number, const QString& locator);
    // The same in another main window of the test, made active first.
    static void typeContact(Tfmain& window, const QString& call, const QString& number,
                            const QString& locator);

private:
    static void typeContactKeys(Tfmain& window, const QString& call, const QString& number,
                                const QString& locator);

protected:
    // Types text key by key, Cyrillic letters too, as a keyboard sends them.
    static void typeText(QWidget* widget, const QString& text);
    // The same, each key to whatever has the focus then, as a keyboard does: a key that opens a
    // cell editor sends the next keys there.
    static void typeAtFocus(const QString& text);
    // Enter in an open cell editor: the value goes to the grid's row, which stores it.
    static void commitCellEditor(QWidget* editor);
    // Types `text` over the cell's value in its editor and commits it with Enter; a date and
    // time is typed as its digits, section after section ("04.07.2015 06:00:00").
    static void typeIntoCell(DataGrid& grid, int row, int column, const QString& text);
    // Whether a window's centre is that of `owner`, to the pixel that halving may lose.
    static bool isCentredOn(const QWidget& window, const QWidget& owner);

    std::unique_ptr<TempDatabase> m_file;
    std::unique_ptr<FakeServices> m_fakes;
    std::unique_ptr<LogStore> m_store;
    std::unique_ptr<Tfmain> m_window;
};
