#include "onair/clusterclient.h"

#include <QTimer>

ClusterClient::ClusterClient(QObject* parent)
    : QObject(parent), m_line(new LineConnection(QStringLiteral("Кластер"), this)),
      m_quietTimer(new QTimer(this))
{
    m_quietTimer->setSingleShot(true);
    connect(m_line, &LineConnection::connecting, this, [this] {
        m_reader.reset();
        m_loginSent = false;
    });
    connect(m_line, &LineConnection::received, this, &ClusterClient::readAnswers);
    connect(m_line, &LineConnection::down, m_quietTimer, &QTimer::stop);
    connect(m_line, &LineConnection::stateChanged, this, &ClusterClient::stateChanged);
    connect(m_line, &LineConnection::currentStateChanged, this, &ClusterClient::currentStateChanged);
    connect(m_quietTimer, &QTimer::timeout, this, [this] {
        m_line->write(kQuietQuestion);
        m_line->awaitAnswer(); // the next bytes heard stop the wait and start the quiet span again
    });
}

ClusterClient::~ClusterClient()
{
    // The connection's last signals must not reach a half-destroyed client.
    m_line->disconnect(this);
}

void ClusterClient::setTimings(const Timings& timings)
{
    m_line->setTimings(timings);
    m_quietMs = timings.quietMs;
}

void ClusterClient::start(const Account& account)
{
    m_account = account;
    m_line->open(account.host, account.port);
}

void ClusterClient::stop()
{
    m_line->close();
}

void ClusterClient::readAnswers(const QByteArray& bytes)
{
    if (state() == State::LoggedIn) { // any bytes show the link alive
        m_line->answered();
        m_quietTimer->start(m_quietMs);
    }
    for (const ClusterEvent& event : m_reader.read(bytes)) {
        if (!m_line->isLive())
            return; // the connection was given up while reading
        handle(event);
    }
}

void ClusterClient::handle(const ClusterEvent& event)
{
    if (state() == State::LoggingIn) {
        if (event.kind == ClusterEvent::LoginPrompt && !m_loginSent) {
            m_line->write(m_account.login);
            m_loginSent = true;
            m_line->awaitAnswer();
            return;
        }
        if (!m_loginSent)
            return; // the greeting before the question
        m_line->loggedIn(QStringLiteral("Кластер: %1 на %2").arg(m_account.login, m_line->address()));
        m_quietTimer->start(m_quietMs);
    }
    if (event.kind == ClusterEvent::Spot)
        emit spotReceived(event.spot);
}
