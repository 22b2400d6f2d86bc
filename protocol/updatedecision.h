#pragma once

#include "lensrecord.h"

#include <QString>

// Whether an offered image may go to a lens, and which question comes
// first. Pure: the window and the command-line program decide the same way.
struct UpdateDecision
{
    enum Verdict {
        Refuse, // the image is not for this lens; `reason` says why
        AskRewrite, // the lens already runs the offered version
        AskDowngrade, // the offer is a test build of the release in the lens
        Proceed,
    };

    Verdict verdict = Refuse;
    QString reason;

    // `serverModel` is the reply's model name, `imageModelName` the one in
    // the image header. A HID lens is matched against the image header; a
    // lens in U-disk mode, which reports no model code of its own, against
    // the reply.
    static UpdateDecision decide(const LensRecord &lens, const QString &serverModel,
        const QString &latestVersion, const QString &imageModelName);

    // After the restart: does the version the lens now reports count as the
    // one just installed?
    static bool installedVersionReported(const QString &installed, const QString &reported);
};
