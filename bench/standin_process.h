// What the benches that run the main window against a stand-in process share.
#pragma once

#include "platform/message_box.h"

#include <QProcess>
#include <QString>
#include <cstdio>

namespace bench {

// The stand-in as a process of its own on `link`, a frame every 100 ms; true once it has spoken.
inline bool startStandin(QProcess& p, const QString& program, const QString& link) {
    p.setProgram(program);
    p.setArguments({QStringLiteral("--link"), link, QStringLiteral("--period"), QStringLiteral("100")});
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start();
    return p.waitForStarted(5000) && p.waitForReadyRead(5000);
}

// Boxes nobody would answer go to standard error, taken as OK.
inline void messagesToStderr() {
    platform::setMsgResponder([](const platform::MsgRecord& r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return platform::MsgResult::Ok;
    });
}

} // namespace bench
