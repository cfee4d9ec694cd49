#include "onair/clusterclient.h"

ClusterClient::ClusterClient(QObject* parent)
    : QObject(parent), m_line(new LineConnection(QStringLiteral("Кластер"), this))
{
    connect(m_line, &LineConnection::connecting, this, [this] {
        m_reader.reset();
        m_loginSent = false;
    });
    connect(m_line, &LineConnection::received, this, &ClusterClient::readAnswers);
    connect(m_line, &LineConnection::stateChanged, this, &ClusterClient::stateChanged);
}

ClusterClient::~ClusterClient()
{
    // The connection's last signals must not reach a half-destroyed client.
    m_line->disconnect(this);
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
    }
    if (event.kind == ClusterEvent::Spot)
        emit spotReceived(event.spot);
}
