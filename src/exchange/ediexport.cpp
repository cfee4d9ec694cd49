#include "exchange/ediexport.h"

#include "exchange/iaruedi.h"
#include "platform/wholefile.h"
#include "store/daycount.h"
#include "store/logstore.h"

#include <QHash>

namespace {

constexpr int kFirstYear = 1915;
constexpr int kYears = 2055 - 1915 + 1;

} // namespace

QString EdiExport::fileNameCall(const QString& call)
{
    QString name = call;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return name;
}

EdiStation EdiExport::station(const EdiExportInput& input)
{
    auto personal = [this](const char* key) -> std::optional<QString> {
        const DbValue v = m_store.GetSetInfo(QString::fromLatin1(key));
        if (v.isNull() || v.displayText().isEmpty())
            return std::nullopt;
        return v.displayText();
    };
    // The row at a stored position of a list; none when the position is not set or outside.
    auto rowAt = [](const ResultSet& list, const DbValue& stored) -> const ResultRow* {
        const int position = storedListPosition(stored, int(list.rows.size()));
        return position < 0 ? nullptr : &list.rows[size_t(position)];
    };

    // The personal data as stored now, whatever another copy of the program changed since.
    m_store.qSettingInfo().close();
    EdiStation s;
    s.contestName = input.contestName;
    // The contest the main window holds, whatever another copy did to the current flag.
    const ResultSet dates = m_store.db().query(
        QStringLiteral("SELECT ContestDTStart, ContestDTStop FROM Contest WHERE ContestRowid=%1")
            .arg(input.contestId));
    if (!dates.rows.empty()) {
        if (dates.rows[0][0].isNumeric())
            s.contestStart = dayCountDate(dates.rows[0][0].toDouble());
        if (dates.rows[0][1].isNumeric())
            s.contestStop = dayCountDate(dates.rows[0][1].toDouble());
    }
    s.ownCall = input.ownCall;
    s.ownLocator = input.ownLocator;
    const ResultSet types = m_store.db().query(
        QStringLiteral("SELECT StationTypeName FROM StationType ORDER BY StationTypeRowid"));
    if (const ResultRow* type = rowAt(types, m_store.GetSetInfo(QStringLiteral("PSect"))))
        s.stationType = (*type)[0].displayText();
    s.club = personal("PClub");
    s.rcall = personal("RCall");
    const ResultSet countries =
        m_store.db().query(QStringLiteral("SELECT CountryName FROM Country ORDER BY CountryName"));
    if (const ResultRow* country = rowAt(countries, m_store.GetSetInfo(QStringLiteral("RCoun"))))
        s.country = (*country)[0].displayText();
    s.city = personal("RCity");
    s.address2 = personal("RAdr2");
    s.postCode = personal("RPoCo");
    s.address1 = personal("RAdr1");
    s.phone = personal("RPhon");
    s.email = personal("RHBBS");
    s.transmitter = personal("STXEq");
    s.power = personal("SPowe");
    s.receiver = personal("SRXEq");
    s.antenna = personal("SAnte");
    s.antennaHeight = personal("SAntH");
    s.antennaHeight2 = personal("SAntH2");

    const struct
    {
        const char* key;
        EdiOperator* op;
    } operators[] = {{"RName", &s.responsible}, {"MOpe1", &s.second}, {"MOpe2", &s.third}};
    const ResultSet grades =
        m_store.db().query(QStringLiteral("SELECT GradeSmallName, GradeCode FROM Grade ORDER BY GradeRowid"));
    for (const auto& [key, op] : operators) {
        const QString name = QString::fromLatin1(key);
        op->name = personal(key);
        // The grade's short name and code come from the same row.
        if (const ResultRow* grade = rowAt(grades, m_store.GetSetInfo(name + QStringLiteral("Grade")))) {
            if (!(*grade)[0].isNull() && !(*grade)[0].displayText().isEmpty())
                op->gradeShortName = (*grade)[0].displayText();
            if ((*grade)[1].isNumeric())
                op->gradeCode = (*grade)[1].toInt();
        }
        const int year = storedListPosition(m_store.GetSetInfo(name + QStringLiteral("YearOfBirth")), kYears);
        if (year >= 0)
            op->yearOfBirth = kFirstYear + year;
    }
    m_store.qSettingInfo().close();
    return s;
}

EdiExportResult EdiExport::exportTo(const QString& folder, const EdiExportInput& input)
{
    EdiExportResult result;
    const EdiStation s = station(input);
    const ResultSet bands = m_store.db().query(QStringLiteral("SELECT * FROM [Band] ORDER BY BandRowid"));
    auto field = [](const ResultSet& set, const char* name) {
        for (int c = 0; c < set.columns.size(); ++c) {
            if (set.columns[c].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return size_t(c);
        }
        return size_t(-1);
    };
    const size_t rowidColumn = field(bands, "BandRowid"), nameColumn = field(bands, "BandName"),
                 numberColumn = field(bands, "BandFileNumber");
    // The contest's contacts in one query, by band and then in the order of the file. The mode
    // field is one digit: the mode's EDI code (7 for the digital modes, keyed above 9), else its
    // key when that is a REG1TEST code, else 0, "none of these".
    QHash<qint64, QList<EdiContact>> contactsOfBand;
    m_store.db().queryEach(
        QStringLiteral("SELECT IdBand, ContestListDateTime, ContestListCall, CASE WHEN ModulationEdiCode "
                       "BETWEEN 0 AND 9 "
                       "THEN ModulationEdiCode WHEN IdModulation IS NULL OR IdModulation BETWEEN 0 AND 9 "
                       "THEN IdModulation "
                       "ELSE 0 END, ContestListSendRST, ContestListSendNum, ContestListReceivedRST, "
                       "ContestListReceivedNum, "
                       "ContestListQTH FROM ContestList LEFT JOIN Modulation ON ModulationRowid=IdModulation "
                       "WHERE IdContest=%1 ORDER BY IdBand, ContestListSendNum")
            .arg(input.contestId),
        [&](const ResultRow& r) {
            auto text = [&](int c) { return r[size_t(c)].isNull() ? QString() : r[size_t(c)].displayText(); };
            contactsOfBand[r[0].isNumeric() ? r[0].toInt() : -1]
                << EdiContact{r[1].isNumeric() ? r[1].toDouble() : 0.0,
                              text(2),
                              text(3),
                              text(4),
                              text(5),
                              text(6),
                              text(7),
                              text(8)};
        });
    for (const ResultRow& band : bands.rows) {
        const qint64 bandId = band[rowidColumn].toInt();
        const QList<EdiContact> contacts = contactsOfBand.value(bandId);
        if (contacts.isEmpty())
            continue; // no file, and an older one of this band stays as it is
        const QString bandName = band[nameColumn].displayText();
        QStringList changed, longLines, unreadable;
        const QByteArray bytes = input.iaru
                                     ? encodeIaruEdiFile(s, bandId, bandName, contacts, input.checklog,
                                                         &changed, &longLines, &unreadable)
                                     : encodeEdiFile(ediHeader(s, bandName), contacts, input.oem, &changed);
        for (const QString& where : std::as_const(changed))
            result.changed << bandName + QStringLiteral(": ") + where;
        for (const QString& key : std::as_const(longLines))
            result.longLines << bandName + QStringLiteral(": ") + key;
        // The station's values are the same in every file: said once.
        for (const QString& key : std::as_const(unreadable)) {
            if (!result.unreadable.contains(key))
                result.unreadable << key;
        }

        const qint64 number = input.namedByRowid ? bandId : band[numberColumn].toInt();
        const QString path = folder + fileNameCall(input.ownCall) + QLatin1Char('_') +
                             QString::number(number) + QStringLiteral(".edi");
        const QString cause = writeWholeFile(path, bytes);
        if (!cause.isEmpty()) {
            result.error = QStringLiteral("Не удалось записать файл %1: %2").arg(path, cause);
            return result; // the files finished before stay
        }
        result.written << path;
    }
    return result;
}
