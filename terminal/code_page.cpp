#include "terminal/code_page.h"

#include "connection/program_settings.h"

#include <QSettings>
#include <QStringDecoder>

#include <algorithm>

CodePageTable CodePageNamed(const QString& name)
{
    if (name.compare(QLatin1StringView(kDefaultCodePage), Qt::CaseInsensitive) == 0)
        return Windows1250();
    const QByteArray encoding = name.toLatin1();
    if (!QStringDecoder(encoding.constData()).isValid())
        return Windows1250();
    CodePageTable table{};
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const char c = static_cast<char>(byte);
        const QString text = QStringDecoder(encoding.constData()).decode(QByteArrayView(&c, 1));
        // One character for one byte, or the code page is no 8-bit one here.
        const QList<uint> points = text.toUcs4();
        table[static_cast<std::size_t>(byte - 0x80)] =
            points.size() == 1 && points[0] != 0xFFFD ? static_cast<char32_t>(points[0]) : 0;
    }
    return table;
}

CodePageTable TerminalCodePage()
{
    const QString name =
        ProgramSettings()
            .value(QLatin1StringView(kCodePageKey), QLatin1StringView(kDefaultCodePage))
            .toString();
    return CodePageNamed(name);
}

std::string EncodeTerminalName(const QString& text, const CodePageTable& codePage)
{
    std::string bytes;
    for (const char32_t c : text.toUcs4()) {
        const auto found = std::find(codePage.begin(), codePage.end(), c);
        if (c < 0x80)
            bytes += static_cast<char>(c);
        else if (found != codePage.end())
            bytes += static_cast<char>(0x80 + (found - codePage.begin()));
        else
            bytes += '?';
    }
    return bytes;
}
