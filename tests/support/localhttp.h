#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpServer>

// What a local HTTP server answered: status 0 when it did not answer at all.
struct HttpAnswer
{
    int status = 0;
    QByteArray head; // the status line and the headers
    QByteArray body;
    // A header's value, the name in any case; empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// Sends "GET target" to 127.0.0.1:port exactly as written (nothing normalised, so "..",
// "%2e" and "//" reach the server as a hostile client sends them), and waits for the whole
// answer with the event loop running, so a server in this process answers too.
HttpAnswer httpGet(quint16 port, const QByteArray& target);

// A browser run in headless Chromium with no network: every address outside the machine
// fails at once, as tiles and the elevation service do in a tent without internet. Gives the
// page's DOM once its scripts ran; its console goes to `console`. The event loop runs
// meanwhile, so a server in this process answers the browser.
QString runInChromium(const QString& url, QString* console);

// A web server on a free local port that keeps the head of each request and answers 404.
class RequestRecorder
{
public:
    RequestRecorder();
    quint16 port() const { return m_server.serverPort(); }
    const QList<QByteArray>& requests() const { return m_requests; }

private:
    QTcpServer m_server;
    QList<QByteArray> m_requests;
};
