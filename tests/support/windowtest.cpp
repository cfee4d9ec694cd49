#include "support/windowtest.h"

#include "app/tfmain.h"
#include "store/logstore.h"

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
    m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), QTime(10, 0, 0));
}

void WindowTest::openWindow()
{
    m_window.reset();
    m_store.reset();
    m_store = m_file->openStore(m_fakes->prompts);
    m_window = std::make_unique<Tfmain>(*m_store, m_fakes->services);
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
