#include "updatedecision.h"

#include "versionhelper.h"

#include <QCoreApplication>

UpdateDecision UpdateDecision::decide(const LensRecord &lens, const QString &serverModel,
    const QString &latestVersion, const QString &imageModelName)
{
    UpdateDecision decision;
    if (!lens.isPresent()) {
        decision.reason = QCoreApplication::translate("UpdateDecision", "未连接镜头");
        return decision;
    }
    const QString &offeredFor = lens.link == LensRecord::Link::Hid ? imageModelName : serverModel;
    if (lens.modelName.isEmpty() || offeredFor != lens.modelName) {
        decision.reason = QCoreApplication::translate("UpdateDecision", "固件型号(%1)与镜头型号(%2)不符")
                              .arg(offeredFor, lens.modelName);
        return decision;
    }

    switch (VersionHelper().compareVersion(latestVersion, lens.version)) {
    case 0:
        decision.verdict = AskRewrite;
        break;
    case -1:
        decision.verdict = AskDowngrade;
        break;
    default:
        // Different, or not comparable: the user asked for the offered image.
        decision.verdict = Proceed;
        break;
    }
    return decision;
}

bool UpdateDecision::installedVersionReported(const QString &installed, const QString &reported)
{
    if (reported.isEmpty())
        return false;
    // Versions the helper cannot read, such as "V1.2.0-hotfix", still match
    // when the lens reports exactly the text it was given.
    return VersionHelper().compareVersion(installed, reported) == 0
        || installed.compare(reported, Qt::CaseInsensitive) == 0;
}
