#pragma once

#include "clioptions.h"

#include <QString>
#include <QStringList>

// The command line of lens-update: its options, its help with the exit
// codes, and what a given command line asks for.
class CommandLine
{
public:
    enum class Outcome { Run, Help, Version, Error };

    // `arguments` include the program name. On Error, *message says why.
    static Outcome parse(const QStringList &arguments, CliOptions *options, QString *message);
    static QString helpText();
    static QString versionText();
};
