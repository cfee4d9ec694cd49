#include "support/windowtest.h"

#include "app/tfmain.h"
#include "controls/datagrid.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "store/logstore.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QtTest>

WindowTest::WindowTest() = default;

WindowTest::~WindowTest()
{
    release();
}

void WindowTest::prepare(const QString& statements)
{
    release();
    m_file = std::make_unique<TempDatabase>();
    m_fakes = std::make_unique<FakeServices>();
    FakePrompts none;
    m_file->openStore(none);
    if (!statements.isEmpty())
        m_file->sqlite(statements);
    m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), QTime(10, 0, 0), Qt::UTC);
}

void WindowTest::openWindow(const QString& fileArgument)
{
    m_window.reset();
    m_store.reset();
    m_store = m_file->openStore(m_fakes->prompts);
    m_window = std::make_unique<Tfmain>(*m_store, m_fakes->services, fileArgument);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void WindowTest::release()
{
    m_window.reset();
    m_store.reset();
    m_fakes.reset();
    m_file.reset();
}

bool WindowTest::isCentredOn(const QWidget& window, const QWidget& owner)
{
    const QPoint offset = window.frameGeometry().center() - owner.frameGeometry().center();
    return std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1;
}

QWidget* WindowTest::openCellEditor(DataGrid& grid, int row, int column)
{
    QApplication::processEvents(); // rows just added are laid out
    doubleClick(grid, grid.model()->index(row, column));
    return QApplication::focusWidget();
}

void WindowTest::click(QAbstractItemView& view, const QModelIndex& index)
{
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(index).center());
}

void WindowTest::doubleClick(QAbstractItemView& view, const QModelIndex& index)
{
    click(view, index);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(index).center());
}

void WindowTest::typeIntoCell(DataGrid& grid, int row, int column, const QString& text)
{
    QWidget* editor = openCellEditor(grid, row, column);
    QString typed = text;
    if (auto* dateTime = qobject_cast<QDateTimeEdit*>(editor)) {
        // The digits alone: a full section moves on to the next by itself.
        dateTime->setSelectedSection(QDateTimeEdit::DaySection);
        typed.remove(QRegularExpression("[^0-9]"));
    } else {
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    }
    if (typed.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        typeText(editor, typed);
    commitCellEditor(editor);
}

void WindowTest::commitCellEditor(QWidget* editor)
{
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the grid commits the editor's value once Enter is handled
}

void WindowTest::typeContact(const QString& call, const QString& number, const QString& locator)
{
    typeContactKeys(*m_window, call, number, locator);
}

void WindowTest::typeContact(Tfmain& window, const QString& call, const QString& number,
                             const QString& locator)
{
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    typeContactKeys(window, call, number, locator);
}

void WindowTest::typeContactKeys(Tfmain& window, const QString& call, const QString& number,
                                 const QString& locator)
{
    QWidget* callEdit = window.entryPanel()->callEdit;
    callEdit->setFocus();
    QCOMPARE(QApplication::focusWidget(), callEdit);
    QTest::keyClicks(QApplication::focusWidget(), call.toLower());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // on to the received report
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // keep 59, on to the number
    QTest::keyClicks(QApplication::focusWidget(), number);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // on to the locator
    QTest::keyClicks(QApplication::focusWidget(), locator.toLower());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
}

void WindowTest::typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(widget, char(c.unicode()));
        else // a Cyrillic key: the keyboard's text with no key code of its own
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void WindowTest::typeAtFocus(const QString& text)
{
    for (const QChar c : text) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY2(focus, "no widget has the focus");
        typeText(focus, QString(c));
    }
}

void WindowTest::chooseInList(QComboBox* list, int index)
{
    list->setFocus();
    int current = list->currentIndex();
    if (list->isEditable()) { // Home moves the cursor in the list's field, not in the list
        for (; current > index && current > 0; --current)
            QTest::keyClick(list, Qt::Key_Up);
    } else if (current < 0 || index < current) {
        QTest::keyClick(list, Qt::Key_Home);
        current = 0;
    }
    for (; current < index; ++current)
        QTest::keyClick(list, Qt::Key_Down);
}

void WindowTest::whenModalOpens(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer;
    auto* deadline = new QElapsedTimer;
    deadline->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, deadline, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool up = modal && modal->isVisible();
        if (!up && deadline->elapsed() < 10000)
            return;
        poll->stop();
        poll->deleteLater();
        delete deadline;
        if (!up)
            return; // none came; the test finds out by itself
        QPointer<QWidget> window(modal);
        // Its activation, and so its first focus, may still be queued on a busy machine. (A
        // dialog's QWindow counts as active while its parent is, so wait on the widget.)
        if (!QTest::qWaitFor([&] { return !window || QApplication::activeWindow() == window; }, 3000) &&
            window)
            QApplication::setActiveWindow(window); // as a window manager would
        if (window)
            act(modal);
        // Closed also when `act` stopped at a failed check, so the test does not hang.
        if (window && window->isVisible())
            window->close();
    });
    poll->start(10);
}
