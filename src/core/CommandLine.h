#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. A bare argument is the data folder;
// options start with "--".
struct CommandLine
{
    QString dataFolder;   // "" when none was given
    QString bindAddress;  // --address
    quint16 port = 1978;  // --port
    // --broadcast: where the locator's search goes
    QString broadcastAddress = QStringLiteral("255.255.255.255");
    bool showHelp = false;
    bool showVersion = false;
    QString error;        // one line; set when the command line is not valid
};

// arguments includes the program name first, as QCoreApplication gives it.
CommandLine ParseCommandLine(const QStringList &arguments);
QString CommandLineHelp();
