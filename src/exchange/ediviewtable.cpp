#include "exchange/ediviewtable.h"

#include "logging/locator.h"
#include "store/logstore.h"

#include <QFile>
#include <QFileInfo>

EdiFileReading readEdiFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return {std::nullopt, QStringLiteral("это папка, а не файл")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, file.errorString()};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, file.errorString()};
    const std::optional<QString> text = decodeEdiText(bytes);
    if (!text)
        return {std::nullopt, QStringLiteral("в файле двоичные данные, а не текст")};
    return {readEdiText(*text), QString()};
}

void fillViewerTable(LogStore& store, const EdiReading& reading, const QString& ownLocator)
{
    std::vector<std::vector<DbValue>> rows;
    rows.reserve(size_t(reading.contacts.size()));
    for (const EdiReadContact& c : reading.contacts) {
        int azimuth = 0;
        double distance = 0;
        LocatorAzimuthDistance(ownLocator, c.locator, azimuth, distance);
        rows.push_back({DbValue::dateTime(c.dateTime), c.call, c.locator, c.mode, c.sentNumber, c.sentReport,
                        c.receivedNumber, c.receivedReport, distance, azimuth});
    }
    Database& db = store.db();
    db.transaction([&] {
        db.execNative(QStringLiteral("DELETE FROM ContestListRead"));
        // Every value bound, none pasted into the statement: a file cannot change it.
        db.execNativeEach(
            QStringLiteral("INSERT INTO ContestListRead (IdBand, ContestListDateTime, ContestListCall, "
                           "ContestListQTH, IdModulation, ContestListSendNum, ContestListSendRST, "
                           "ContestListReceivedNum, ContestListReceivedRST, ContestListDistance, "
                           "ContestListResult, ContestListAzimut) VALUES (NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                           "NULL, ?)"),
            rows);
        db.exec(QStringLiteral("UPDATE Contest SET ContestActual=False"));
    });
}

QString unreadLinesText(const QString& path, const QList<int>& lines)
{
    constexpr int kNamed = 20;
    QStringList numbers;
    for (int i = 0; i < std::min<int>(kNamed, int(lines.size())); ++i)
        numbers << QString::number(lines[i]);
    QString text = QStringLiteral("Не удалось прочитать строки файла %1: %2")
                       .arg(path, numbers.join(QStringLiteral(", ")));
    if (lines.size() > kNamed)
        text += QStringLiteral(" и ещё %1").arg(lines.size() - kNamed);
    return text + QLatin1Char('.');
}
