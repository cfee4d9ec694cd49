#include "config/tfoptions2.h"

#include "app/mainstate.h"
#include "config/tfedittable.h"
#include "controls/windowsettings.h"
#include "platform/guarded.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "store/logstore.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <cmath>

namespace {

const WindowSettingNames kPersonalWindowSettings{QString(), QString(), QStringLiteral("SettingFormHeight"),
                                                 QStringLiteral("SettingFormWidth")};
const QString kGrades = QStringLiteral("SELECT GradeName AS n FROM Grade ORDER BY GradeRowid");
const QString kStationTypes =
    QStringLiteral("SELECT StationTypeName AS n FROM StationType ORDER BY StationTypeRowid");
const QString kCountries = QStringLiteral("SELECT CountryName AS n FROM Country ORDER BY CountryName");

// The operators whose rows carry a grade and a year list: the row's key, its two lists,
// and the companion keys the lists store into.
struct OperatorRow
{
    const char* key;
    int gradeList;
    const char* gradeKey;
    const char* yearKey;
};
constexpr OperatorRow kOperators[] = {{"RName", 2, "RNameGrade", "RNameYearOfBirth"},
                                      {"MOpe1", 4, "MOpe1Grade", "MOpe1YearOfBirth"},
                                      {"MOpe2", 6, "MOpe2Grade", "MOpe2YearOfBirth"}};

// The reference tables whose rows the personal data name by position: the keys of the rows
// in list order, and the personal-data keys that hold a position in that list.
struct PositionList
{
    QString rowKeys;
    QStringList personalKeys;
};
const PositionList kPositionLists[] = {
    {QStringLiteral("SELECT StationTypeRowid FROM StationType ORDER BY StationTypeRowid"),
     {QStringLiteral("PSect")}},
    {QStringLiteral("SELECT CountryRowid FROM Country ORDER BY CountryName"), {QStringLiteral("RCoun")}},
    {QStringLiteral("SELECT GradeRowid FROM Grade ORDER BY GradeRowid"),
     {QStringLiteral("RNameGrade"), QStringLiteral("MOpe1Grade"), QStringLiteral("MOpe2Grade")}}};

QList<qint64> rowKeys(Database& db, const QString& query)
{
    QList<qint64> keys;
    for (const ResultRow& r : db.query(query).rows)
        keys << r[0].toInt();
    return keys;
}

} // namespace

QString referencesChangedText()
{
    const QString br = QStringLiteral("\n\r");
    return QStringLiteral("Внимание! Были внесены изменения в стравочники.") + br + br +
           QStringLiteral("Форма \"Личные данные\" сейчас закроется.") + br +
           QStringLiteral("Откройте ее заново (F2).");
}

Tfoptions2::Tfoptions2(LogStore& store, const Services& services, int trackBarPosition,
                       std::function<void()> reloadOwnData, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowCloseButtonHint), m_store(store), m_services(services),
      m_trackBar(trackBarPosition), m_reloadOwnData(std::move(reloadOwnData)),
      m_personal(std::make_unique<Cursor>(store.db()))
{
    setObjectName(QStringLiteral("foptions2"));
    setWindowTitle(QStringLiteral("Личные данные"));
    if (parent)
        setFont(parent->font());
    resize(539, 353);
    m_scroll = new QScrollArea(this);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_rows = new QWidget;
    m_scroll->setWidget(m_rows);
    for (size_t i = 0; i < m_lists.size(); ++i) {
        m_lists[i] = new QComboBox; // parentless until its row places it
        m_lists[i]->setObjectName(QStringLiteral("cb%1").arg(i));
        m_buttons[i] = new QPushButton(QStringLiteral(".."));
        m_buttons[i]->setObjectName(QStringLiteral("cbbtn%1").arg(i));
        const int number = int(i);
        connect(m_buttons[i], &QPushButton::clicked, this,
                [this, number] { guarded(m_services.prompts, [&] { editReferenceTable(number); }); });
    }

    m_personal->setSql(QStringLiteral("SELECT * FROM SettingInfo"));
    m_personal->setBaseTable(QStringLiteral("SettingInfo"));
    guarded(m_services.prompts, [this] {
        restoreWindowGeometry(m_store, *this, kPersonalWindowSettings);
        m_personal->open();
        buildRows();
    });
    layOut();
}

Tfoptions2::~Tfoptions2()
{
    // Lists and buttons that no row placed have no parent to take them.
    for (size_t i = 0; i < m_lists.size(); ++i) {
        if (!m_lists[i]->parent())
            delete m_lists[i];
        if (!m_buttons[i]->parent())
            delete m_buttons[i];
    }
}

QLineEdit* Tfoptions2::field(const QString& key) const
{
    const int j = row(key);
    return j < 0 ? nullptr : m_fields[j];
}

QLabel* Tfoptions2::label(const QString& key) const
{
    const int j = row(key);
    return j < 0 ? nullptr : m_labels[j];
}

void Tfoptions2::buildRows()
{
    const int F = font().pointSize() > 0 ? font().pointSize() : m_trackBar;
    const int P = m_trackBar;
    const ResultSet shown = m_store.db().query(QStringLiteral(
        "SELECT * FROM SettingInfo WHERE SettingInfoTypeRecord IS NOT NULL AND SettingInfoRang IS "
        "NOT NULL ORDER BY SettingInfoRang"));
    auto column = [&](const char* name) {
        for (int c = 0; c < shown.columns.size(); ++c) {
            if (shown.columns[c].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return c;
        }
        return -1;
    };
    const int keyColumn = column("SettingInfoN"), nameColumn = column("SettingInfoName"),
              hintColumn = column("SettingInfoHint"), valueColumn = column("SettingInfoValue"),
              requiredColumn = column("SettingInfoRequired");
    auto value = [](const ResultRow& r, int c) { return c < 0 ? DbValue() : r[size_t(c)]; };
    auto text = [&](const ResultRow& r, int c) {
        return value(r, c).isNull() ? QString() : value(r, c).displayText();
    };

    for (int j = 0; j < int(shown.rows.size()); ++j) {
        const ResultRow& r = shown.rows[size_t(j)];
        const int y = int(std::nearbyint(2.0 * F + 2.38 * j * F));
        const QString key = text(r, keyColumn);
        const QString hint = text(r, hintColumn);
        m_keys << key;

        auto* label = new QLabel(text(r, nameColumn) + QLatin1Char(':'), m_rows);
        label->setToolTip(hint);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->adjustSize();
        label->move(260 - label->width(), y);
        m_labels << label;

        auto* edit = new QLineEdit(m_rows);
        edit->setObjectName(key);
        edit->setGeometry(270, y - 3, 190, edit->sizeHint().height());
        edit->setToolTip(hint);
        edit->setText(text(r, valueColumn));
        m_fields << edit;

        if (key == QLatin1String("PCall") || key == QLatin1String("PWWLo") || key == QLatin1String("RCall")) {
            QFont bold = edit->font();
            bold.setBold(true);
            bold.setPointSize(P);
            edit->setFont(bold);
            connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& typed) {
                const int at = edit->cursorPosition();
                edit->setText(typed.toUpper());
                edit->setCursorPosition(at);
            });
        }
        for (const OperatorRow& op : kOperators) {
            if (key != QLatin1String(op.key))
                continue;
            edit->setProperty("narrow", true);
            createList(op.gradeList, 75, y - 3, edit->x() + edit->width() + 10, kGrades,
                       QStringLiteral("Звание"), QString::fromLatin1(op.gradeKey));
            createList(op.gradeList + 1, 75, y - 3, m_lists[2]->x() + m_lists[2]->width() + 10, QString(),
                       QStringLiteral("Год рождения"), QString::fromLatin1(op.yearKey));
        }
        if (!value(r, requiredColumn).isNull() && value(r, requiredColumn).toBool()) {
            QPalette p = edit->palette();
            p.setColor(QPalette::Base, MainState::HighlightColor);
            edit->setPalette(p);
        }
        const bool stationType = key == QLatin1String("PSect");
        if (stationType || key == QLatin1String("RCoun")) {
            edit->hide();
            const int number = stationType ? 0 : 1;
            createList(number, 190, y - 3, 270, stationType ? kStationTypes : kCountries, hint, QString());
            m_lists[size_t(number)]->setCurrentIndex(
                storedListPosition(value(r, valueColumn), m_lists[size_t(number)]->count()));
            if (stationType)
                connect(m_lists[0], &QComboBox::currentIndexChanged, this, &Tfoptions2::stationTypeChanged);
            else
                connect(m_lists[1], &QComboBox::currentIndexChanged, edit,
                        [edit](int position) { edit->setText(QString::number(position)); });
        }
    }
    stationTypeChanged();

    const QLineEdit* last = m_fields.isEmpty() ? nullptr : m_fields.last();
    m_save = new QPushButton(QStringLiteral("Сохранить"), m_rows);
    m_save->setObjectName(QStringLiteral("btn1"));
    const int height = int(std::nearbyint(P * 2.7));
    m_save->setGeometry(270, (last ? last->y() + last->height() : 0) + 15, 3 * height + 10, height);
    connect(m_save, &QPushButton::clicked, this, [this] { guarded(m_services.prompts, [this] { save(); }); });
    for (int grade : {2, 4, 6})
        m_lists[size_t(grade)]->view()->setMinimumWidth(27 * P);
    for (int year : {3, 5, 7})
        m_lists[size_t(year)]->view()->setMinimumWidth(5 * P);
}

void Tfoptions2::createList(int number, int width, int top, int left, const QString& query,
                            const QString& hint, const QString& companionKey)
{
    QComboBox* list = m_lists[size_t(number)];
    list->setParent(m_rows);
    list->setToolTip(hint);
    list->setGeometry(left, top, width, list->sizeHint().height());
    const bool withButton = number == 0 || number == 1 || number == 2 || number == 4 || number == 6;
    if (withButton) {
        if (number != 2 && number != 4 && number != 6)
            list->resize(list->width() - list->height() - 8, list->height());
        QPushButton* button = m_buttons[size_t(number)];
        button->setParent(m_rows);
        const int side = m_fields.first()->height();
        button->setGeometry(list->x() + list->width() + 3, top, side, side);
    }
    if (query.isEmpty()) {
        for (int year = kFirstYear; year <= kLastYear; ++year)
            list->addItem(QString::number(year));
    } else {
        for (const ResultRow& r : m_store.db().query(query).rows)
            list->addItem(r[0].displayText());
    }
    list->setCurrentIndex(-1);
    if (!companionKey.isEmpty() && m_personal->locatePrefix(QStringLiteral("SettingInfoN"), companionKey))
        list->setCurrentIndex(
            storedListPosition(m_personal->value(QStringLiteral("SettingInfoValue")), list->count()));
    list->show();
}

void Tfoptions2::layOut()
{
    const int W = width();
    for (QLineEdit* edit : std::as_const(m_fields)) {
        if (edit->property("narrow").toBool()) {
            edit->resize(std::max(20, W - edit->x() - 217 - edit->height()), edit->height());
            m_lists[2]->move(edit->x() + edit->width() + 10, m_lists[2]->y());
            m_lists[3]->move(m_lists[2]->x() + m_lists[2]->width() + 10 + edit->height(), m_lists[3]->y());
            m_lists[4]->move(m_lists[2]->x(), m_lists[4]->y());
            m_lists[6]->move(m_lists[2]->x(), m_lists[6]->y());
            m_lists[5]->move(m_lists[3]->x(), m_lists[5]->y());
            m_lists[7]->move(m_lists[3]->x(), m_lists[7]->y());
        } else {
            edit->resize(std::max(20, W - edit->x() - 45), edit->height());
        }
    }
    for (int number : {0, 1})
        m_lists[size_t(number)]->resize(
            std::max(20, W - m_lists[size_t(number)]->x() - m_buttons[size_t(number)]->width() - 50),
            m_lists[size_t(number)]->height());
    for (int number : {0, 1, 2, 4, 6})
        m_buttons[size_t(number)]->move(m_lists[size_t(number)]->x() + m_lists[size_t(number)]->width() + 3,
                                        m_buttons[size_t(number)]->y());
    m_scroll->setGeometry(rect());
    const int bottom = m_save ? m_save->y() + m_save->height() + 10 : 0;
    // As wide as the window: the rows keep clear of a vertical scroll bar by their margins.
    m_rows->resize(W, bottom);
}

void Tfoptions2::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layOut();
}

void Tfoptions2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_scroll->verticalScrollBar()->setValue(0);
    // The first row the operator can type into; a hidden list row has no field to focus.
    for (QLineEdit* edit : std::as_const(m_fields)) {
        if (!edit->isHidden()) {
            edit->setFocus();
            break;
        }
    }
}

void Tfoptions2::stationTypeChanged()
{
    QComboBox* types = m_lists[0];
    if (QLineEdit* sect = field(QStringLiteral("PSect")))
        sect->setText(QString::number(types->currentIndex()));
    const bool multi =
        types->currentIndex() >= 0 && types->currentText().left(1).toUpper() == QLatin1String("M");
    for (int number : {4, 5, 6, 7})
        m_lists[size_t(number)]->setEnabled(multi);
    for (const char* key : {"MOpe1", "MOpe2"}) {
        if (row(QString::fromLatin1(key)) < 0)
            continue;
        label(QString::fromLatin1(key))->setEnabled(multi);
        field(QString::fromLatin1(key))->setEnabled(multi);
    }
}

void Tfoptions2::saveValue(const QString& key, const QString& value)
{
    Cursor& personal = m_store.qSettingInfo();
    if (personal.locatePrefix(QStringLiteral("SettingInfoN"), key)) {
        personal.edit();
    } else {
        // A missing companion key is made rather than the choice lost.
        personal.append();
        personal.setValue(QStringLiteral("SettingInfoN"), key);
    }
    personal.setValue(QStringLiteral("SettingInfoValue"), value);
    try {
        personal.post();
    } catch (...) {
        personal.cancel(); // no half-made row left for the next reader to post
        throw;
    }
}

void Tfoptions2::save()
{
    Cursor& personal = m_store.qSettingInfo();
    personal.close();
    personal.setSql(QStringLiteral("SELECT * FROM SettingInfo"));
    personal.open();
    for (int j = 0; j < m_keys.size(); ++j) {
        saveValue(m_keys[j], m_fields[j]->text());
        for (const OperatorRow& op : kOperators) {
            if (m_keys[j] != QLatin1String(op.key))
                continue;
            if (m_lists[size_t(op.gradeList)]->currentIndex() >= 0)
                saveValue(QString::fromLatin1(op.gradeKey),
                          QString::number(m_lists[size_t(op.gradeList)]->currentIndex()));
            if (m_lists[size_t(op.gradeList) + 1]->currentIndex() >= 0)
                saveValue(QString::fromLatin1(op.yearKey),
                          QString::number(m_lists[size_t(op.gradeList) + 1]->currentIndex()));
        }
    }
    m_reloadOwnData();
}

void Tfoptions2::editReferenceTable(int number)
{
    const QString query = number == 0   ? QStringLiteral("SELECT * FROM StationType")
                          : number == 1 ? QStringLiteral("SELECT * FROM Country")
                                        : QStringLiteral("SELECT * FROM Grade");
    // The stored choices by the rows they name, so that they name the same rows afterwards.
    Database& db = m_store.db();
    std::vector<std::pair<QString, qint64>> chosen; // personal-data key, row key
    for (const PositionList& list : kPositionLists) {
        const QList<qint64> keys = rowKeys(db, list.rowKeys);
        for (const QString& key : list.personalKeys) {
            const DbValue stored = m_store.eSQLreturn2(
                QStringLiteral("SELECT SettingInfoValue FROM SettingInfo WHERE SettingInfoN='%1'").arg(key));
            const int position = storedListPosition(stored, int(keys.size()));
            if (position >= 0)
                chosen.emplace_back(key, keys[position]);
        }
    }

    Tfedittable editor(
        m_store, m_services, query, [this] { m_referencesChanged = true; }, this);
    editor.setFont(font());
    editor.exec();
    if (!m_referencesChanged)
        return;

    for (const PositionList& list : kPositionLists) {
        const QList<qint64> keys = rowKeys(db, list.rowKeys);
        for (const auto& [key, row] : chosen) {
            if (!list.personalKeys.contains(key))
                continue;
            const qsizetype position = keys.indexOf(row);
            // A deleted entry leaves the choice unset.
            db.execNative(QStringLiteral("UPDATE SettingInfo SET SettingInfoValue=? WHERE SettingInfoN=?"),
                          {position >= 0 ? DbValue(QString::number(position)) : DbValue(), DbValue(key)});
        }
    }
    m_store.qSettingInfo().close(); // its readers open it again on what is stored now
    m_services.prompts.information(referencesChangedText());
    reject();
}

void Tfoptions2::done(int result)
{
    guarded(m_services.prompts, [this] { saveWindowGeometry(m_store, *this, kPersonalWindowSettings); });
    QDialog::done(result);
}
