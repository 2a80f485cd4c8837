#include "connection/program_settings.h"

#include "link/replaced_history.h"

#include <QStringList>
#include <QVariant>

#include <algorithm>

QSettings ProgramSettings()
{
    return QSettings(QStringLiteral("TELMARQ SOFTWARE"), QStringLiteral("KVVidiRidoved"));
}

QSettings TransmissionSettings()
{
    return QSettings(QStringLiteral("TELMARQ SOFTWARE"), QStringLiteral("Korvane"));
}

UnscrambleKey UnscrambleKeySetting()
{
    const QVariant value = ProgramSettings().value(QStringLiteral("Setting/UnscrambleKey"));
    if (!value.isValid())
        return kDefaultUnscrambleKey;
    // Written without quotes, the store reads "1, 2, ..." back as a list.
    const QStringList parts = value.toStringList();
    const QString text = parts.size() > 1 ? parts.join(u',') : value.toString();
    return ParseUnscrambleKey(text.toStdString()).value_or(kDefaultUnscrambleKey);
}

int ReplacedKeepDaysSetting()
{
    bool ok = false;
    const int days =
        ProgramSettings()
            .value(QStringLiteral("Setting/ReplacedKeepDays"), kDefaultReplacedKeepDays)
            .toInt(&ok);
    return ok && days >= 0 ? std::min(days, 3650) : kDefaultReplacedKeepDays;
}
