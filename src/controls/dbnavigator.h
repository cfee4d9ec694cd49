#pragma once

#include <QFlags>
#include <QWidget>

class Cursor;
class Prompts;
class QToolButton;

// The record navigator under a grid: first, prior, next, last, insert, delete, edit, post
// and cancel on a cursor. A refused action (the database said no) shows its message.
class DbNavigator : public QWidget
{
    Q_OBJECT
public:
    enum Button {
        First = 1,
        Prior = 2,
        Next = 4,
        Last = 8,
        Insert = 16,
        Delete = 32,
        Edit = 64,
        Post = 128,
        Cancel = 256
    };
    Q_DECLARE_FLAGS(Buttons, Button)

    DbNavigator(Prompts& prompts, QWidget* parent = nullptr);

    void setCursor(Cursor* cursor);
    void setVisibleButtons(Buttons buttons);
    Buttons visibleButtons() const { return m_visible; }
    // Ask "Удалить запись?" before a delete.
    void setConfirmDelete(bool on) { m_confirmDelete = on; }
    QToolButton* button(Button which) const;

    void click(Button which);

private:
    void updateButtons();

    Prompts& m_prompts;
    Cursor* m_cursor = nullptr;
    Buttons m_visible;
    bool m_confirmDelete = true;
    std::vector<std::pair<Button, QToolButton*>> m_buttons;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DbNavigator::Buttons)
