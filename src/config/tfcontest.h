#pragma once

#include <QDialog>

#include <memory>

class Cursor;
class DataGrid;
class DbNavigator;
class LogStore;
class QGroupBox;
class QPushButton;
class QTimer;
struct MainState;
struct Services;

// The contest manager, "Соревнования": the list of contests to add, edit and delete, and
// the choice of the current one, into which contacts are saved.
class Tfcontest : public QDialog
{
    Q_OBJECT
public:
    Tfcontest(LogStore& store, MainState& state, const Services& services, QWidget* parent = nullptr);
    ~Tfcontest() override;

    Cursor& contests() { return *m_contests; }
    DataGrid* grid() const { return m_grid; }
    DbNavigator* navigator() const { return m_navigator; }
    QPushButton* chooseButton() const { return m_choose; }
    QGroupBox* frame() const { return m_frame; }

    // "Выбрать" and double click: the contest of the current row becomes current.
    void chooseContest();
    // The grid's own delete key: asks, then deletes as the navigator does.
    void deleteWithConfirmation();

signals:
    // A contest was made current; the main window follows.
    void contestChosen();

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void dataChanged();
    bool checkBeforePost();
    void newRowStarted();
    bool confirmDelete();
    void resort();
    void restoreSettings();
    void saveSettings();
    bool isCurrentContest(int row) const;

    LogStore& m_store;
    MainState& m_state;
    const Services& m_services;
    std::unique_ptr<Cursor> m_contests; // q1
    QGroupBox* m_frame;
    DataGrid* m_grid;
    DbNavigator* m_navigator;
    QPushButton* m_choose;
    QTimer* m_resortTimer;
    bool m_inserted = false; // once a contest was inserted, every later save re-sorts
    bool m_built = false;    // the list and the stored columns were read
};
