// lens-demo-data: writes what the demo's firmware server serves.
//
//   lens-demo-data <folder>

#include "demoartwork.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Painting text needs a platform, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        err << "usage: lens-demo-data <folder>\n";
        return 2;
    }
    QString error;
    if (!DemoArtwork::writeModels(args.at(1), &error)) {
        err << "lens-demo-data: " << error << "\n";
        return 1;
    }
    return 0;
}
