#include "connection/connection_rules.h"

#include "shell/start_options.h"

#include <array>

namespace {

constexpr std::array<long long, 5> kRates{4800, 9600, 19200, 38400, 57600};

} // namespace

QStringList BaudRateTexts()
{
    return {QStringLiteral("4800"),  QStringLiteral("9600"),  QStringLiteral("19200"),
            QStringLiteral("38400"), QStringLiteral("57600"), QStringLiteral("115200")};
}

int BaudCodeForRate(long long rate)
{
    for (std::size_t i = 0; i < kRates.size(); ++i)
        if (kRates[i] == rate)
            return static_cast<int>(i) + 1;
    return 6;
}

int BaudIndexForCode(int baudCode)
{
    return baudCode >= 1 && baudCode <= 5 ? baudCode - 1 : 5;
}

bool SpeedListEnabled(const QString& portText, int transmissionLock)
{
    if (transmissionLock != 0)
        return false;
    return portText.contains(QStringLiteral("COM"), Qt::CaseSensitive) ||
           portText.startsWith(QStringLiteral("/dev/"));
}

std::optional<TransmissionTarget> ParseTransmissionListHead(const QByteArray& head)
{
    const qsizetype colon = head.indexOf(':');
    if (colon <= 0)
        return std::nullopt;
    const qsizetype end = head.indexOf("\r\n", colon + 1);
    if (end < 0)
        return std::nullopt;
    const QByteArray port = head.left(colon);
    const QByteArray number = head.mid(colon + 1, end - colon - 1);
    if (number.isEmpty() || number.size() > 9)
        return std::nullopt;
    for (const char c : number)
        if (c < '0' || c > '9')
            return std::nullopt;
    for (const char c : port)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return std::nullopt;
    const QString name = QString::fromUtf8(port);
    if (name.contains(QChar::ReplacementCharacter) || name.trimmed().isEmpty())
        return std::nullopt;
    return TransmissionTarget{name.toUpper(), BaudCodeForRate(number.toLongLong())};
}

int FindPortPosition(const QStringList& names, const QString& portName)
{
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i].compare(portName, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    return 0;
}

std::optional<PortOpenChoice> ChoosePortOpen(const QString& portName, int listPosition)
{
    if (portName.contains(QStringLiteral("COM"), Qt::CaseSensitive))
        return PortOpenChoice{PortKind::SerialNumber, AtoiValue(portName.mid(3))};
    if (listPosition == 0)
        return std::nullopt;
    return PortOpenChoice{PortKind::ListIndex, listPosition};
}

bool ShouldCloseOnDeviceChange(const QString& title, const QStringList& ports)
{
    const QString lower = title.toLower();
    if (lower.contains(QStringLiteral("kvfile")) || lower.contains(QStringLiteral("com")) ||
        title.startsWith(QStringLiteral("/dev/")))
        return false;
    for (const QString& port : ports)
        if (!port.isEmpty() && lower.contains(port.toLower()))
            return false;
    return true;
}
