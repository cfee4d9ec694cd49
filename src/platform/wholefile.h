#pragma once

#include <QByteArray>
#include <QString>

// Writes a file whole or not at all: the bytes go to a temporary file beside it, which is
// synced and renamed over the old file only when every byte is on disk. A full disk, a
// vanished folder or a file-size limit leaves an older file of that name as it was and no
// temporary file behind. Returns the cause of a failure, or an empty text.
//
// QSaveFile is not used: it reports success for a write cut short by a file-size limit.
QString writeWholeFile(const QString& path, const QByteArray& bytes);
