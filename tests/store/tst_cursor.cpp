#include "store/cursor.h"
#include "store/errors.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QSignalSpy>
#include <QtTest>

// The client-side cursor the grids stand on: rows in memory, written back by rowid.
class TestCursor : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void browseAndLocate();
    void editAndAppendAreWrittenBack();
    void hooksMayRefuse();
    void aRefusedPostKeepsTheEdit();
    void deleteRemovesTheRow();
    void readOnlyWithoutBaseTable();

private:
    Cursor& contests();
    std::unique_ptr<TempDatabase> m_file;
    FakePrompts m_prompts;
    std::unique_ptr<LogStore> m_store;
    std::unique_ptr<Cursor> m_cursor;
};

void TestCursor::init()
{
    m_file = std::make_unique<TempDatabase>();
    m_file->openStore(m_prompts); // create the file
    m_file->sqlite(
        "INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart) VALUES (1, 'Полевой день', 42000.5);"
        "INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart) VALUES (2, 'Кубок', 42001);"
        "INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart) VALUES (3, 'Полевой зимний', "
        "42002);");
    m_store = m_file->openStore(m_prompts);
}

void TestCursor::cleanup()
{
    m_cursor.reset();
    m_store.reset();
    m_file.reset();
}

Cursor& TestCursor::contests()
{
    m_cursor = std::make_unique<Cursor>(m_store->db());
    m_cursor->setSql("SELECT * FROM Contest ORDER BY ContestDTStart, ContestName");
    m_cursor->setBaseTable("Contest");
    m_cursor->open();
    return *m_cursor;
}

void TestCursor::browseAndLocate()
{
    Cursor& c = contests();
    QCOMPARE(c.rowCount(), 3);
    QCOMPARE(c.recNo(), 1);
    QCOMPARE(c.columns().size(), 5);
    QCOMPARE(c.value("ContestDTStart").kind(), DbValue::Kind::DateTime);
    QCOMPARE(c.value("ContestActual").kind(), DbValue::Kind::Boolean);
    QVERIFY(c.locatePrefix("ContestName", "Полевой з"));
    QCOMPARE(c.value("ContestRowid").toInt(), 3);
    QVERIFY(!c.locatePrefix("ContestName", "полевой")); // case matters
    QVERIFY(c.locate("ContestRowid", 2));
    QCOMPARE(c.recNo(), 2);
    c.last();
    c.next();
    QCOMPARE(c.recNo(), 3);
}

void TestCursor::editAndAppendAreWrittenBack()
{
    Cursor& c = contests();
    QSignalSpy changed(&c, &Cursor::rowChanged);
    c.locate("ContestRowid", 2);
    c.edit();
    c.setValue("ContestName", QString("Кубок О'Нила"));
    QCOMPARE(c.state(), Cursor::State::Edit);
    c.post();
    QCOMPARE(c.state(), Cursor::State::Browse);
    QCOMPARE(m_file->column("SELECT ContestName FROM Contest WHERE ContestRowid=2"),
             QVariantList{"Кубок О'Нила"});
    QVERIFY(!changed.isEmpty());

    c.append();
    QCOMPARE(c.state(), Cursor::State::Insert);
    QCOMPARE(c.rowCount(), 4);
    c.setValue("ContestRowid", 7);
    c.setValue("ContestName", QString("Новый"));
    c.post();
    // The stored row comes back, with what the database filled in.
    QCOMPARE(c.value("ContestActual").toBool(), false);
    QCOMPARE(m_file->column("SELECT ContestName FROM Contest WHERE ContestRowid=7"), QVariantList{"Новый"});
    // Moving on while editing posts, as the grids expect.
    c.setValue("ContestName", QString("Новый 2"));
    c.first();
    QCOMPARE(m_file->column("SELECT ContestName FROM Contest WHERE ContestRowid=7"), QVariantList{"Новый 2"});
}

void TestCursor::hooksMayRefuse()
{
    Cursor& c = contests();
    int inserted = 0;
    c.afterInsert = [&] {
        ++inserted;
        c.setValue("ContestRowid", 10);
    };
    c.beforePost = [&] { return !c.value("ContestName").isNull(); };
    c.append();
    QCOMPARE(inserted, 1);
    c.post();
    QCOMPARE(c.state(), Cursor::State::Insert); // refused: still being inserted
    c.first();
    QCOMPARE(c.state(), Cursor::State::Insert); // and the move did not happen
    QCOMPARE(c.recNo(), 4);
    c.cancel();
    QCOMPARE(c.rowCount(), 3);
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Contest"), QVariantList{3});

    c.beforeDelete = [] { return false; };
    c.remove();
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Contest"), QVariantList{3});
}

void TestCursor::aRefusedPostKeepsTheEdit()
{
    // A value the database refuses (a name over 255 characters) leaves the row being edited.
    Cursor& c = contests();
    c.setValue("ContestName", QString(300, 'x'));
    QVERIFY_THROWS_EXCEPTION(SqlError, c.post());
    QCOMPARE(c.state(), Cursor::State::Edit);
    QCOMPARE(c.value("ContestName").toString().size(), 300);
    c.cancel();
    QCOMPARE(c.value("ContestName").toString(), "Полевой день");
}

void TestCursor::deleteRemovesTheRow()
{
    Cursor& c = contests();
    int deleted = 0;
    c.afterDelete = [&] { ++deleted; };
    c.last();
    c.remove();
    QCOMPARE(deleted, 1);
    QCOMPARE(c.rowCount(), 2);
    QCOMPARE(c.recNo(), 2);
    QCOMPARE(m_file->column("SELECT ContestRowid FROM Contest ORDER BY 1"), (QVariantList{1, 2}));
}

void TestCursor::readOnlyWithoutBaseTable()
{
    Cursor c(m_store->db());
    c.setSql("SELECT TOP 2 ContestName AS n FROM Contest ORDER BY ContestRowid");
    c.open();
    QCOMPARE(c.rowCount(), 2);
    QVERIFY_THROWS_EXCEPTION(SqlError, c.edit());
    QVERIFY_THROWS_EXCEPTION(SqlError, c.append());
}

QTEST_GUILESS_MAIN(TestCursor)
#include "tst_cursor.moc"
