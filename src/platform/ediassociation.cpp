#include "platform/ediassociation.h"

#include "platform/wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace EdiAssociation {

namespace {

const QString kDefaultsSection = QStringLiteral("[Default Applications]");
constexpr int kToolTimeoutMs = 30000;

QString folderFrom(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? value : QDir::homePath() + fallback;
}

QString mimePackagePath(const Folders& f)
{
    return f.dataHome + QStringLiteral("/mime/packages/") + QString(kDesktopId).replace(".desktop", ".xml");
}

QString desktopEntryPath(const Folders& f)
{
    return f.dataHome + QStringLiteral("/applications/") + kDesktopId;
}

QString mimeAppsPath(const Folders& f)
{
    return f.configHome + QStringLiteral("/mimeapps.list");
}

QByteArray mimePackage()
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                          "  <mime-type type=\"%1\">\n"
                          "    <comment>EDI contest log (REG1TEST)</comment>\n"
                          "    <comment xml:lang=\"ru\">Журнал соревнований EDI (REG1TEST)</comment>\n"
                          "    <sub-class-of type=\"text/plain\"/>\n"
                          "    <glob pattern=\"*.edi\"/>\n"
                          "    <magic priority=\"50\">\n"
                          "      <match type=\"string\" value=\"[REG1TEST;\" offset=\"0:3\"/>\n"
                          "    </magic>\n"
                          "  </mime-type>\n"
                          "</mime-info>\n")
        .arg(kMimeType)
        .toUtf8();
}

QByteArray desktopEntry(const QString& programPath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Kovra log\n"
                          "Comment=Журнал УКВ соревнований и просмотр EDI файлов\n"
                          "Exec=%1 %f\n"
                          "Icon=%3\n"
                          "MimeType=%2;\n"
                          "Terminal=false\n"
                          "Categories=Network;HamRadio;\n")
        .arg(execArgument(programPath), kMimeType, QString(kDesktopId).chopped(int(qstrlen(".desktop"))))
        .toUtf8();
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("Не удалось создать папку %1").arg(QFileInfo(path).absolutePath());
    const QString cause = writeWholeFile(path, bytes);
    return cause.isEmpty() ? QString() : QStringLiteral("Не удалось записать файл %1: %2").arg(path, cause);
}

QString removeFile(const QString& path)
{
    QFile file(path);
    if (!QFileInfo::exists(path) || file.remove())
        return QString();
    return QStringLiteral("Не удалось удалить файл %1: %2").arg(path, file.errorString());
}

// The lines of mimeapps.list with the type's default line set to our entry, or with our
// entry taken out of it; every other line stays as it was.
QStringList withDefault(QStringList lines, bool ours)
{
    const QString key = kMimeType + QLatin1Char('=');
    int section = -1;
    int end = int(lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (section < 0 && line == kDefaultsSection) {
            section = i;
        } else if (section >= 0 && line.startsWith(QLatin1Char('['))) {
            end = i;
            break;
        }
    }
    if (section < 0) {
        if (!ours)
            return lines;
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << kDefaultsSection << key + kDesktopId;
        return lines;
    }
    for (int i = section + 1; i < end; ++i) {
        if (!lines[i].trimmed().startsWith(key))
            continue;
        if (ours) {
            lines[i] = key + kDesktopId;
            return lines;
        }
        QStringList entries = lines[i].trimmed().mid(key.size()).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        if (!entries.removeAll(kDesktopId))
            return lines; // another program's choice stays
        if (entries.isEmpty())
            lines.removeAt(i);
        else
            lines[i] = key + entries.join(QLatin1Char(';')) + QLatin1Char(';');
        return lines;
    }
    if (ours)
        lines.insert(section + 1, key + kDesktopId);
    return lines;
}

QString updateMimeApps(const Folders& f, bool ours)
{
    const QString path = mimeAppsPath(f);
    QStringList lines;
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, file.errorString());
        QString text = QString::fromUtf8(file.readAll());
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        lines = text.split(QLatin1Char('\n'));
    } else if (!ours) {
        return QString();
    }
    const QStringList changed = withDefault(lines, ours);
    if (changed == lines)
        return QString();
    // A list kept as a link elsewhere (dotfiles) stays a link: its target is rewritten.
    const QString target = QFileInfo(path).isSymLink() ? QFileInfo(path).canonicalFilePath() : path;
    return writeFile(target.isEmpty() ? path : target,
                     (changed.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

// The desktop reads the caches, not the files: refresh them when the tools are there.
QString refreshCaches(const Folders& f)
{
    const struct
    {
        const char* tool;
        QString folder;
    } caches[] = {{"update-mime-database", f.dataHome + QStringLiteral("/mime")},
                  {"update-desktop-database", f.dataHome + QStringLiteral("/applications")}};
    for (const auto& [tool, folder] : caches) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
        if (program.isEmpty() || !QFileInfo(folder).isDir())
            continue;
        QProcess process;
        process.start(program, {folder});
        if (!process.waitForFinished(kToolTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return QStringLiteral("%1 %2: %3")
                .arg(QString::fromLatin1(tool), folder,
                     QString::fromLocal8Bit(process.readAllStandardError()).trimmed() +
                         process.errorString());
    }
    return QString();
}

} // namespace

Folders Folders::fromEnvironment()
{
    return {folderFrom("XDG_DATA_HOME", QStringLiteral("/.local/share")),
            folderFrom("XDG_CONFIG_HOME", QStringLiteral("/.config"))};
}

QString execArgument(const QString& path)
{
    // Quoted as an argument of Exec, "%" doubled as a field code, then "\" doubled once more
    // as every string value of a desktop entry is escaped.
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString install(const Folders& folders, const QString& programPath)
{
    // Step by step: the first failure stops the rest.
    QString error = writeFile(mimePackagePath(folders), mimePackage());
    if (error.isEmpty())
        error = writeFile(desktopEntryPath(folders), desktopEntry(programPath));
    if (error.isEmpty())
        error = updateMimeApps(folders, true);
    return error.isEmpty() ? refreshCaches(folders) : error;
}

QString remove(const Folders& folders)
{
    QString error = removeFile(mimePackagePath(folders));
    if (error.isEmpty())
        error = removeFile(desktopEntryPath(folders));
    if (error.isEmpty())
        error = updateMimeApps(folders, false);
    return error.isEmpty() ? refreshCaches(folders) : error;
}

} // namespace EdiAssociation
