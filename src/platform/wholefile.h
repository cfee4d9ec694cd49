#pragma once

#include <QByteArray>
#include <QString>

// Writes a file whole or not at all: the bytes go to a temporary file beside it, which is
// synced and renamed over the old file only when every byte is on disk. A full disk, a
// vanished folder or a file-size limit leaves an older file of that name as it was and no
// temporary file behind. Returns the cause of a failure, or an empty text. The file is
// created with `mode` (less what the umask takes away) before a byte goes in, so a file
// meant for the user alone never holds its content readable by others.
//
// QSaveFile is not used: it reports success for a write cut short by a file-size limit.
QString writeWholeFile(const QString& path, const QByteArray& bytes, int mode = 0666);
