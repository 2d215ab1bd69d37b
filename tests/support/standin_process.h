// The meter stand-in as a process of its own, so its pseudo-terminal really closes when it ends
// and really falls silent when it is stopped. Header-only.
#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/types.h>

namespace testing {

class StandinProcess {
public:
    StandinProcess() {
        QObject::connect(&process_, &QProcess::readyReadStandardError, [this] {
            while (process_.canReadLine()) {
                const QByteArray line = process_.readLine().trimmed();
                if (!line.isEmpty()) {
                    letters += QLatin1Char(line.at(0));
                    lines << QString::fromLocal8Bit(line);
                }
            }
        });
    }
    ~StandinProcess() {
        if (process_.state() != QProcess::NotRunning) {
            resume();
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    // build/tools/meter_standin beside build/tests/.
    static QString program() {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/meter_standin");
    }

    // Starts it with its device behind `link`; true once the link is in place.
    bool start(const QString& link, const QStringList& options = {}) {
        process_.setProgram(program());
        process_.setArguments(QStringList{QStringLiteral("--link"), link} + options);
        process_.setReadChannel(QProcess::StandardOutput);
        process_.start();
        if (!process_.waitForStarted(20000) || !process_.waitForReadyRead(20000))
            return false;
        const bool ok = process_.readLine().trimmed() == link.toLocal8Bit();
        process_.setReadChannel(QProcess::StandardError); // its log of commands from now on
        return ok;
    }
    // A meter switched off with its cable in: the line stays, nothing comes.
    void pause() { ::kill(static_cast<pid_t>(process_.processId()), SIGSTOP); }
    void resume() { ::kill(static_cast<pid_t>(process_.processId()), SIGCONT); }
    // A pulled cable: the device goes away.
    void end() {
        resume();
        process_.terminate();
        process_.waitForFinished(5000);
    }
    void clearLog() {
        letters.clear();
        lines.clear();
    }

    QString letters;   // the first letter of every command it heard, in order
    QStringList lines; // its log lines

private:
    QProcess process_;
};

} // namespace testing
