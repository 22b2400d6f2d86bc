#pragma once

// What lens-update returns, for scripts. Listed in --help and the man page.
struct ExitCode
{
    enum Value {
        Success = 0, // done, or nothing to do
        Failure = 1, // the update or a step of it failed, or was interrupted
        UsageError = 2, // the command line is wrong
        NoLens = 3, // no lens found within the wait
        ServerUnreachable = 4, // the firmware server could not be reached
        Refused = 5, // a check refused the image, a question was answered no, or several lenses
    };
};
