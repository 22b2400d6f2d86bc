#pragma once

#include <QHash>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// The unchanged lens-updater as a process, with the window shim preloaded
// (windowshim.cpp): what the window shows arrives as lines on the
// program's stderr and is kept here; buttons are pressed by name.
//
//     ShimmedProgram program;
//     program.start(LENS_UPDATER, testbed.environment(env, {ShimmedProgram::shimLibrary()}));
//     QVERIFY(program.waitForLabel("label_SN", "序列号  ： SN2024000001"));
//     program.click("button_link");
//     QVERIFY(program.waitForPage("ready"));
class ShimmedProgram : public QObject
{
    Q_OBJECT

public:
    explicit ShimmedProgram(QObject *parent = nullptr);
    ~ShimmedProgram() override;

    static QString shimLibrary();
    // The CA the test server's certificate is signed by (it also names the
    // program's compiled-in hosts), and that certificate with its key.
    static QString caFile();
    static QString serverCertificateFile();
    static QString serverKeyFile();

    // `env` must already carry the preloads; the shim's settings (CA,
    // proxy) are added here. `proxy` is "host:port" or empty.
    bool start(const QString &program, QProcessEnvironment env, const QString &proxy = QString());
    // Presses the close button and waits for the end; kills after 15 s.
    bool quit();

    void click(const QString &button);

    QString page() const { return m_page; }
    QString label(const QString &name) const { return m_labels.value(name); }
    QStringList notices() const { return m_notices; }
    QList<int> progress() const { return m_progress; }
    QStringList boxes() const { return m_boxes; }

    // Wait, serving the event loop; false on time-out or when the program
    // ended first.
    bool waitForPage(const QString &page, int timeoutMs = 30000);
    bool waitForLabel(const QString &name, const QString &text, int timeoutMs = 30000);
    bool waitForNotice(const QString &text, int timeoutMs = 30000);
    // Lines of the program's own stderr (its debug log) that contain `fragment`.
    int outputCount(const QString &fragment) const { return m_other.count(fragment); }
    bool waitForOutput(const QString &fragment, int count = 1, int timeoutMs = 30000);

    bool isRunning() const;
    int exitCode() const;
    // Everything the program wrote to stderr except the shim's lines.
    QString otherOutput() const { return m_other; }
    QString transcript() const { return m_transcript.join(QLatin1Char('\n')); }

private:
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);
    void collect();

    QProcess m_process;
    QByteArray m_partial;
    QString m_page;
    QHash<QString, QString> m_labels;
    QStringList m_notices;
    QStringList m_boxes;
    QList<int> m_progress;
    QString m_other;
    QStringList m_transcript;
};
