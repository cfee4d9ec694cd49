#pragma once

#include "controls/cursormodel.h"

#include <QTableView>

class FooterCell;
class TitleHeader;
class Prompts;

// A grid over a cursor: its current row follows the cursor and the cursor follows it,
// titles may have several lines and hints, a footer line may total a column.
class DataGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);

    CursorModel* cursorModel() const { return m_model; }
    void setCursor(Cursor* cursor);
    Cursor* cursor() const { return m_model->cursor(); }

    // Columns get their widths; the header grows to the tallest title.
    void setColumns(const QVector<GridColumnSpec>& columns);
    void setColumnTitle(int column, const QString& title);
    void setColumnHint(int column, const QString& hint);
    QString columnTitle(int column) const;

    // Titles "A|B" on two levels: neighbouring columns with the same upper text "A" share
    // one upper title above their own "B". Off: "|" just starts a new title line.
    void setGroupedTitles(bool on);
    // The first and last column (by position) that share the upper title of `column`.
    std::pair<int, int> titleGroup(int column) const;

    // Closes a cell editor that is open without handing its text to the row.
    void discardOpenEdit();
    // Whether a cell editor is open.
    bool editing() const { return state() == EditingState; }

    // Puts the current cell on that column when it stands on one that is hidden: a key typed
    // there would otherwise open an editor on a column nobody sees.
    void moveOffHiddenColumn();

    void setWholeRowSelection(bool on);
    void setEditable(bool on);

    // Ctrl+F asks for a text; the next row whose cell in the current column contains it
    // (case aside) becomes current, from the top again after the last row. Ctrl+F again
    // offers the same text and goes on from the row after.
    void enableFind(Prompts& prompts);
    void findNext();

    // A footer cell under `column` holding the sum of that column over every row.
    void setSumFooter(int column);
    QString footerText() const;

signals:
    void titleClicked(int column);

protected:
    // No editor opens on a hidden or read-only column; typing on a hidden one goes to the
    // first editable column of the row instead.
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void updateGeometries() override;
    // Column-title hints stay up as long as every other hint.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void followCursor(int row);
    // The current column when it is shown, else the first editable one.
    int shownCurrentColumn() const;
    // The first column, by position, that the operator sees and may edit; failing that the
    // first one shown; -1 when none is shown.
    int firstEditableColumn() const;
    void updateFooter();
    void fitHeader();

    CursorModel* m_model;
    Prompts* m_prompts = nullptr;
    QString m_findText;
    FooterCell* m_footer = nullptr;
    TitleHeader* m_titles;
    int m_footerColumn = -1;
    bool m_following = false;
};
