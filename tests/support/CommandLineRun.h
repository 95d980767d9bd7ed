// rastelle-convert's command line run in the test's own process, with what
// it prints kept.
#pragma once

#include "convert/CommandLine.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

struct CommandLineRun
{
    int code = -1;
    QString out;
    QString err;
};

inline CommandLineRun RunInProcess(const QStringList& arguments, bool progress = false)
{
    CommandLineRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.code = RunCommandLine(arguments, out, err, progress);
    out.flush();
    err.flush();
    return run;
}
