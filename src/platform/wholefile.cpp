#include "platform/wholefile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

QString writeWholeFile(const QString& path, const QByteArray& bytes, int mode)
{
    const QByteArray target = QFile::encodeName(path);
    // A fresh name beside the file, created with its rights (the umask applies).
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = target + ".tmp-" + QByteArray::number(QRandomGenerator::global()->generate(), 16);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(mode));
        if (fd < 0 && errno != EEXIST)
            return qt_error_string(errno);
    }
    if (fd < 0)
        return qt_error_string(EEXIST);
    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temp.constData());
        return qt_error_string(error);
    };
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        data += written;
        left -= written;
    }
    if (::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return qt_error_string(error);
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return qt_error_string(error);
    }
    // The rename itself reaches the disk with the folder.
    const int folder =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return QString();
}
