#pragma once

#include <QDialog>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class Cursor;
class LogStore;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
struct Services;

// The personal data window, "Личные данные": one row per personal-data item marked for
// display, built anew at every opening; station type, country, grades and years of birth
// are chosen from lists and stored as positions in them.
class Tfoptions2 : public QDialog
{
    Q_OBJECT
public:
    // `trackBarPosition` is the main window's font-size slider; `reloadOwnData` is what the
    // main window does after a save (own call, locator and caption).
    Tfoptions2(LogStore& store, const Services& services, int trackBarPosition,
               std::function<void()> reloadOwnData, QWidget* parent = nullptr);
    ~Tfoptions2() override;

    // The lists by number: 0 station type, 1 country, 2/3 grade and year of RName, 4/5 of
    // MOpe1, 6/7 of MOpe2. A list whose row is not shown has no parent.
    QComboBox* list(int number) const { return m_lists[size_t(number)]; }
    QPushButton* listButton(int number) const { return m_buttons[size_t(number)]; }
    QLineEdit* field(const QString& key) const;
    QLabel* label(const QString& key) const;
    QPushButton* saveButton() const { return m_save; }
    const QStringList& keys() const { return m_keys; }

    // "Сохранить": every row and the companion keys, then the main window's own data.
    void save();
    // ".." of list `number`: the reference-table editor of its table.
    void editReferenceTable(int number);

    // Years of birth are kept as the year minus 1915, from 1915 to 2055.
    static constexpr int kFirstYear = 1915;
    static constexpr int kLastYear = 2055;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void buildRows();
    void createList(int number, int width, int top, int left, const QString& query, const QString& hint,
                    const QString& companionKey);
    void layOut();
    void stationTypeChanged();
    void saveValue(const QString& key, const QString& value);
    int row(const QString& key) const { return int(m_keys.indexOf(key)); }

    LogStore& m_store;
    const Services& m_services;
    int m_trackBar;
    std::function<void()> m_reloadOwnData;
    std::unique_ptr<Cursor> m_personal; // qSettingInfo, the window's own
    QScrollArea* m_scroll;
    QWidget* m_rows;
    QStringList m_keys;
    QList<QLabel*> m_labels;
    QList<QLineEdit*> m_fields;
    std::array<QComboBox*, 8> m_lists{};
    std::array<QPushButton*, 8> m_buttons{};
    QPushButton* m_save = nullptr;
    bool m_referencesChanged = false;
};

// The text an operator reads when a reference table changed and the window closes.
QString referencesChangedText();
