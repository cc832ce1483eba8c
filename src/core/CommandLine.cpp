#include "core/CommandLine.h"

#include <QCommandLineParser>
#include <QHostAddress>

namespace {

struct Parser
{
    QCommandLineParser parser;
    // Qt's own help option also offers --help-all (Qt's options), which this
    // program, answering before Qt starts, cannot list.
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Displays help on commandline options.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Displays version information.")};
    QCommandLineOption address{QStringLiteral("address"),
                               QStringLiteral("Bind the UDP endpoint to this IPv4 address and report it "
                                              "as this computer's address."),
                               QStringLiteral("A")};
    QCommandLineOption broadcast{QStringLiteral("broadcast"),
                                 QStringLiteral("Send the locator's search to this IPv4 address instead of "
                                                "255.255.255.255."),
                                 QStringLiteral("A")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("UDP port for receiving and sending (default 1978)."),
                            QStringLiteral("N")};

    Parser()
    {
        parser.setApplicationDescription(QStringLiteral("Zettlor sticky notes"));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOption(help);
        parser.addOption(version);
        parser.addOption(address);
        parser.addOption(broadcast);
        parser.addOption(port);
        parser.addPositionalArgument(QStringLiteral("folder"),
                                     QStringLiteral("Data folder (default ~/.local/share/Zettlor)."),
                                     QStringLiteral("[folder]"));
    }
};

// Only the dotted four-number form: "1.2.3" would quietly mean 1.2.0.3.
bool IsDottedIPv4(const QString &text)
{
    QHostAddress parsed;
    return parsed.setAddress(text) && parsed.protocol() == QAbstractSocket::IPv4Protocol &&
           parsed.toString() == text;
}

} // namespace

CommandLine ParseCommandLine(const QStringList &arguments)
{
    Parser p;
    CommandLine result;
    if (!p.parser.parse(arguments)) {
        result.error = p.parser.errorText();
        return result;
    }
    result.showHelp = p.parser.isSet(p.help);
    result.showVersion = p.parser.isSet(p.version);
    // A folder with blanks may arrive unquoted, as several arguments.
    result.dataFolder = p.parser.positionalArguments().join(QLatin1Char(' ')).trimmed();
    if (p.parser.isSet(p.address)) {
        result.bindAddress = p.parser.value(p.address);
        if (!IsDottedIPv4(result.bindAddress))
            result.error =
                QStringLiteral("--address needs an IPv4 address, not '%1'.").arg(result.bindAddress);
    }
    if (p.parser.isSet(p.broadcast)) {
        result.broadcastAddress = p.parser.value(p.broadcast);
        if (!IsDottedIPv4(result.broadcastAddress))
            result.error =
                QStringLiteral("--broadcast needs an IPv4 address, not '%1'.").arg(result.broadcastAddress);
    }
    if (p.parser.isSet(p.port)) {
        bool ok = false;
        const uint port = p.parser.value(p.port).toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            result.error = QStringLiteral("--port needs a number from 1 to 65535.");
        else
            result.port = quint16(port);
    }
    return result;
}

QString CommandLineHelp()
{
    // Qt names the program only once an application object exists, which help
    // does not wait for.
    const QString text = Parser().parser.helpText();
    return QStringLiteral("Usage: zettlor [options] [folder]") + text.mid(text.indexOf(QLatin1Char('\n')));
}
