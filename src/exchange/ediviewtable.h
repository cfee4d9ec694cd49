#pragma once

#include "exchange/edireader.h"

class LogStore;

// An EDI file read for the viewer, or the cause why it could not be read (missing, a
// folder, no rights, bytes that are no text).
struct EdiFileReading
{
    std::optional<EdiReading> reading;
    QString cause;
};
EdiFileReading readEdiFile(const QString& path);

// "Не удалось прочитать строки файла F: 3, 7 и ещё 2." naming the first twenty numbers.
QString unreadLinesText(const QString& path, const QList<int>& lines);

// Puts the file's contacts into ContestListRead in place of the rows it held, each with
// distance and azimuth from the own locator, and leaves no contest current: one
// transaction, so a failure leaves both tables as they were. The log is not touched.
void fillViewerTable(LogStore& store, const EdiReading& reading, const QString& ownLocator);
