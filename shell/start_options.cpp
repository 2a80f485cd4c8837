#include "shell/start_options.h"
#include "connection/connection_rules.h"
#include "kv_version.h"

#include <QCoreApplication>

StartOptions ParseStartOptions(const QStringList& args)
{
    StartOptions options;
    qsizetype i = 0;
    for (; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QStringLiteral("--lang") || a == QStringLiteral("--screenshot") ||
            a == QStringLiteral("--post")) {
            if (i + 1 >= args.size()) {
                options.valid = false;
                return options;
            }
            const QString value = args[++i];
            if (a == QStringLiteral("--screenshot")) {
                options.screenshotPath = value;
            } else if (a == QStringLiteral("--post")) {
                if (value == QStringLiteral("transmit")) {
                    options.postMode = 1;
                } else if (value == QStringLiteral("install")) {
                    options.postMode = 2;
                } else {
                    options.valid = false;
                    return options;
                }
            } else if (value == QStringLiteral("en")) {
                options.language = Language::English;
            } else if (value == QStringLiteral("pl")) {
                options.language = Language::Polish;
            } else {
                options.valid = false;
                return options;
            }
        } else if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            options.help = true;
        } else if (a == QStringLiteral("--version")) {
            options.version = true;
        } else if (a.startsWith(QStringLiteral("--"))) {
            options.valid = false;
            return options;
        } else {
            break;
        }
    }
    options.startMode = AtoiValue(args.mid(i).join(u' '));
    return options;
}

QByteArray PostRequestLine(int postMode)
{
    return postMode == 1 ? QByteArrayLiteral("auto-transmit") : QByteArrayLiteral("auto-install");
}

QString StartHelpText()
{
    return QCoreApplication::translate(
        "StartOptions",
        "Usage: kvvidiridoved [OPTION]... [MODE]\n"
        "A file manager for portable data terminals on serial ports.\n"
        "\n"
        "  MODE               0 or none: start with the connect dialog; 1: automatic\n"
        "                     transmission; another number: install an application\n"
        "  --lang en|pl       the language of the program (default: the user's locale)\n"
        "  --screenshot FILE  connect to the first port, save a picture of the main\n"
        "                     window as FILE (PNG) and end\n"
        "  --post transmit|install\n"
        "                     hand the automatic transmission or install to the\n"
        "                     running program and end; with none running, start\n"
        "                     in that mode\n"
        "  -h, --help         show this help and end\n"
        "  --version          show the version and end\n"
        "\n"
        "A second start while the program runs brings its window to the front and\n"
        "ends.\n");
}

QString StartVersionText()
{
    return QStringLiteral("kvvidiridoved %1\n").arg(QLatin1StringView(kProgramVersion));
}
