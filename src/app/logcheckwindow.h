#pragma once

#include "logging/logcheck.h"

#include <QDialog>

#include <vector>

class LogStore;
class QListWidget;

// "Проверка лога": what the check found, one line each. Before an export it offers
// "Продолжить" and "Отмена"; a double click on a contact's line moves the log grid to it.
class LogCheckWindow : public QDialog
{
    Q_OBJECT
public:
    LogCheckWindow(LogStore& store, const std::vector<LogCheck::Finding>& findings, bool beforeExport,
                   QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    // Where the window stands and its size, for the next time it opens.
    void storePlace();

signals:
    void contactChosen(qint64 rowid, const QString& band);

private:
    LogStore& m_store;
    QListWidget* m_list;
};
