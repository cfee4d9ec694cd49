#pragma once

#include <QString>

// This program as the desktop's viewer of EDI files, the freedesktop way and for the user
// alone: a shared-mime-info package that gives *.edi its MIME type, a desktop entry that
// runs the program with the file as its first argument, and the default-application line
// in mimeapps.list. The installed package uses the same type and entry name.
namespace EdiAssociation {

inline const QString kMimeType = QStringLiteral("text/x-reg1test");
inline const QString kDesktopId = QStringLiteral("io.github.kovralog.Kovra.desktop");

// The user's data and config folders ($XDG_DATA_HOME, $XDG_CONFIG_HOME, or their defaults
// under the home folder when unset or not absolute).
struct Folders
{
    QString dataHome;
    QString configHome;
    static Folders fromEnvironment();
};

// Each returns the error that stopped it, or an empty text. Removing what is not there is
// no error, and removing leaves every line of mimeapps.list that it did not write.
QString install(const Folders& folders, const QString& programPath);
QString remove(const Folders& folders);

// The program path as one argument of a desktop entry's Exec key, quoted and escaped.
QString execArgument(const QString& path);

} // namespace EdiAssociation
