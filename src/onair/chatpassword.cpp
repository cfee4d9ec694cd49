#include "onair/chatpassword.h"

#include "platform/wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace ChatPassword {

QString filePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("chat-password"));
}

std::optional<QString> remembered()
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

QString remember(const QString& password)
{
    const QString path = filePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("не удалось создать папку %1").arg(folder);
    const QString error = writeWholeFile(path, password.toUtf8(), 0600);
    return error.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(path, error);
}

QString forget()
{
    QFile file(filePath());
    if (!file.exists() || file.remove())
        return QString();
    return QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
}

} // namespace ChatPassword
