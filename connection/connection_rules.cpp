#include "connection/connection_rules.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::array<long long, 5> kRates{4800, 9600, 19200, 38400, 57600};
// 255 bytes with the terminating zero.
constexpr qsizetype kTransmissionTextBytes = 254;

bool IsDevicePath(const QString& portName)
{
    return portName.startsWith(QStringLiteral("/dev/"), Qt::CaseInsensitive);
}

} // namespace

int AtoiValue(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' ||
                               text[i] == u'\r' || text[i] == u'\v' || text[i] == u'\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i].unicode() - u'0');
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

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
    return transmissionLock == 0 && IsSerialLineText(portText);
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
    return TransmissionTarget{IsDevicePath(name) ? name : name.toUpper(),
                              BaudCodeForRate(number.toLongLong())};
}

std::optional<QString> TransmissionText(const QVariant& value)
{
    if (!value.isValid())
        return std::nullopt;
    const QString text = value.toString();
    if (text.toUtf8().size() > kTransmissionTextBytes)
        return std::nullopt;
    return text;
}

std::optional<long long> TransmissionBaud(const QVariant& value)
{
    bool ok = false;
    const long long baud = value.toLongLong(&ok);
    if (!value.isValid() || !ok || baud < INT32_MIN || baud > UINT32_MAX)
        return std::nullopt;
    return baud;
}

bool IsSerialLineText(const QString& portName)
{
    return IsDevicePath(portName) || portName.contains(QStringLiteral("COM"), Qt::CaseInsensitive);
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
    if (IsDevicePath(portName))
        return PortOpenChoice{PortKind::DevicePath, 0};
    if (IsSerialLineText(portName))
        return PortOpenChoice{PortKind::SerialNumber, AtoiValue(portName.mid(3))};
    if (listPosition == 0)
        return std::nullopt;
    return PortOpenChoice{PortKind::ListIndex, listPosition};
}

bool ShouldCloseOnDeviceChange(const QString& title, const QStringList& ports)
{
    const QString lower = title.toLower();
    if (lower.contains(QStringLiteral("kvfile")) || IsSerialLineText(title))
        return false;
    for (const QString& port : ports)
        if (!port.isEmpty() && lower.contains(port.toLower()))
            return false;
    return true;
}
