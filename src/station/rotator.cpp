#include "station/rotator.h"

Rotator::Rotator(QObject* parent)
    : HamlibClient(QStringLiteral("Поворотное устройство"), kDefaultPort, parent)
{}

void Rotator::turnTo(int azimuth)
{
    m_turnWanted = azimuth; // the latest of the turns asked while the range is due
    wake();
    if (m_rangeKnown && isConnected())
        sendWantedTurn();
    else if (!isAsking(Range))
        poll(); // connects, and the range comes first
}

void Rotator::poll()
{
    // One reading at a time: a slow rotator does not pile up questions.
    if (!isAsking(Heading))
        ask("p\n", {AnswerForm::Values, 2}, Heading);
}

void Rotator::connectionOpening()
{
    // The extended answer names its values and always ends in "RPRT", in every hamlib version.
    ask("+\\dump_state\n", {AnswerForm::Extended}, Range);
}

void Rotator::connectionDropped()
{
    m_minAzimuth = 0;
    m_maxAzimuth = 360;
    m_rangeKnown = false;
    m_turnWanted.reset();
}

void Rotator::sendWantedTurn()
{
    if (!m_turnWanted)
        return;
    int azimuth = *m_turnWanted;
    m_turnWanted.reset();
    if (azimuth > m_maxAzimuth && azimuth - 360 >= m_minAzimuth)
        azimuth -= 360;
    else if (azimuth < m_minAzimuth && azimuth + 360 <= m_maxAzimuth)
        azimuth += 360;
    ask(QStringLiteral("P %1 0\n").arg(azimuth).toLatin1(), {AnswerForm::Report}, Turn);
}

void Rotator::answered(int tag, const HamlibAnswer& answer)
{
    if (tag == Range) {
        readRange(answer);
        return;
    }
    if (answer.isError()) {
        fail(QStringLiteral("ответ RPRT %1").arg(*answer.report));
        return;
    }
    if (answer.values.isEmpty()) { // "RPRT 0": done
        answeredWell();
        return;
    }
    const std::optional<double> azimuth = hamlibAngle(answer.values.first());
    if (tag != Heading || !azimuth) {
        fail(QStringLiteral("непонятный ответ \"%1\"").arg(QString::fromLatin1(answer.values.first())));
        return;
    }
    answeredWell();
    emit headingRead(*azimuth);
}

void Rotator::readRange(const HamlibAnswer& answer)
{
    for (const auto& [key, value] : answer.fields) {
        const std::optional<double> azimuth = hamlibAngle(value);
        if (!azimuth)
            continue; // a value of no use here
        if (key == "Minimum Azimuth")
            m_minAzimuth = *azimuth;
        else if (key == "Maximum Azimuth")
            m_maxAzimuth = *azimuth;
    }
    // A daemon that cannot tell gets the turns it took before anyone asked.
    if (answer.report != 0 || !(m_minAzimuth < m_maxAzimuth)) {
        m_minAzimuth = 0;
        m_maxAzimuth = 360;
    }
    m_rangeKnown = true;
    sendWantedTurn();
}
