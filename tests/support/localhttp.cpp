#include "support/localhttp.h"

#include <QEventLoop>
#include <QProcess>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

constexpr int kAnswerTimeoutMs = 10000;
constexpr int kBrowserTimeoutMs = 120000;

// The answer once `received` holds all of it: the head and Content-Length bytes of body.
bool isComplete(const QByteArray& received, HttpAnswer* answer)
{
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return false;
    answer->head = received.left(headEnd);
    answer->status = answer->head.mid(answer->head.indexOf(' ') + 1, 3).toInt();
    const qsizetype length = answer->header("Content-Length").toLongLong();
    if (received.size() < headEnd + 4 + length)
        return false;
    answer->body = received.mid(headEnd + 4, length);
    return true;
}

} // namespace

QByteArray HttpAnswer::header(const QByteArray& name) const
{
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

HttpAnswer httpGet(quint16 port, const QByteArray& target)
{
    HttpAnswer answer;
    QByteArray received;
    QTcpSocket socket;
    QEventLoop loop;
    QTimer::singleShot(kAnswerTimeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::connected, [&] {
        socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                     "\r\n\r\n");
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        received += socket.readAll();
        if (isComplete(received, &answer))
            loop.quit();
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    loop.exec();
    if (!isComplete(received, &answer))
        return {};
    return answer;
}

QString runInChromium(const QString& url, QString* console)
{
    QProcess browser;
    QEventLoop loop;
    QTimer::singleShot(kBrowserTimeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(&browser, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&browser, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    // The proxy that is not there takes every address but the machine's own.
    browser.start(QStringLiteral("chromium"),
                  {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                   QStringLiteral("--disable-gpu"), QStringLiteral("--enable-logging=stderr"),
                   QStringLiteral("--v=0"), QStringLiteral("--proxy-server=127.0.0.1:9"),
                   QStringLiteral("--virtual-time-budget=5000"), QStringLiteral("--dump-dom"), url});
    loop.exec();
    if (browser.state() != QProcess::NotRunning) {
        browser.kill();
        browser.waitForFinished();
        return QStringLiteral("chromium did not finish");
    }
    if (browser.error() == QProcess::FailedToStart)
        return QStringLiteral("chromium did not start: ") + browser.errorString();
    *console = QString::fromUtf8(browser.readAllStandardError());
    return QString::fromUtf8(browser.readAllStandardOutput());
}

RequestRecorder::RequestRecorder()
{
    m_server.listen(QHostAddress::LocalHost);
    QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto received = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
                *received += socket->readAll();
                const qsizetype headEnd = received->indexOf("\r\n\r\n");
                if (headEnd < 0)
                    return;
                m_requests << received->left(headEnd);
                received->clear();
                socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
            });
        }
    });
}
