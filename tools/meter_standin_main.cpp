// meter_standin: runs the meter stand-in on a pseudo-terminal for demos and benches.
// Prints the device path (the link if one was asked for) as its first line, logs every command
// on stderr, and runs until SIGTERM or SIGINT, then removes its link.

#include "tools/standin/meter_standin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

QString describe(const standin::LoggedCommand& c) {
    QString s = c.letter == '?' ? QStringLiteral("?") : QString(QLatin1Char(c.letter));
    if (c.letter == 'C')
        s += c.payload.size() == 4 ? QStringLiteral(" (clock)")
             : c.payload.isEmpty() ? QStringLiteral(" (key)")
                                   : QString();
    if (!c.payload.isEmpty())
        s += QLatin1Char(' ') + QString::fromLatin1(c.payload.toHex(' ').toUpper());
    return s;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("meter_standin"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stands in for the solar power meter on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption linkOpt(QStringLiteral("link"), QStringLiteral("Symbolic link to the device."),
                                     QStringLiteral("PATH"));
    const QCommandLineOption periodOpt(QStringLiteral("period"), QStringLiteral("Display frame period."),
                                       QStringLiteral("MS"), QStringLiteral("100"));
    const QCommandLineOption paceOpt(QStringLiteral("pace"), QStringLiteral("Dump pace in bytes/s (0 fast)."),
                                     QStringLiteral("N"), QStringLiteral("1920"));
    const QCommandLineOption endOpt(QStringLiteral("end-address"), QStringLiteral("Logger end address."),
                                    QStringLiteral("ADDR"));
    const QCommandLineOption silentOpt(QStringLiteral("silent"), QStringLiteral("Answer nothing."));
    const QCommandLineOption noiseOpt(QStringLiteral("noise"),
                                      QStringLiteral("Send noise instead of frames."));
    const QCommandLineOption badOpt(QStringLiteral("bad-markers"),
                                    QStringLiteral("Frames with a wrong end byte."));
    const QCommandLineOption memoryOpt(
        QStringLiteral("memory"),
        QStringLiteral("Logger memory: %1.").arg(standin::loggerMemoryNames().join(QStringLiteral(", "))),
        QStringLiteral("NAME"), QStringLiteral("demo"));
    const QCommandLineOption stopOpt(QStringLiteral("stop-after"),
                                     QStringLiteral("The first dump stops after N bytes."),
                                     QStringLiteral("N"));
    const QCommandLineOption pullOpt(QStringLiteral("pull-after"),
                                     QStringLiteral("The first dump stops after N bytes, then silence."),
                                     QStringLiteral("N"));
    parser.addOptions(
        {linkOpt, periodOpt, paceOpt, endOpt, memoryOpt, stopOpt, pullOpt, silentOpt, noiseOpt, badOpt});
    parser.process(app);

    bool ok = true;
    const int period = parser.value(periodOpt).toInt(&ok);
    if (!ok || period < 1) {
        std::fprintf(stderr, "meter_standin: bad --period\n");
        return 2;
    }
    const int pace = parser.value(paceOpt).toInt(&ok);
    if (!ok || pace < 0) {
        std::fprintf(stderr, "meter_standin: bad --pace\n");
        return 2;
    }

    standin::MeterStandIn meter;
    meter.setFramePeriodMs(period);
    meter.setDumpPace(pace);
    QByteArray image;
    if (!standin::loggerMemory(parser.value(memoryOpt), image)) {
        std::fprintf(stderr, "meter_standin: bad --memory\n");
        return 2;
    }
    meter.setLoggerImage(image);
    for (const auto* opt : {&stopOpt, &pullOpt}) {
        if (!parser.isSet(*opt))
            continue;
        const int n = parser.value(*opt).toInt(&ok);
        if (!ok || n < 0) {
            std::fprintf(stderr, "meter_standin: bad --%s\n", opt == &stopOpt ? "stop-after" : "pull-after");
            return 2;
        }
        if (opt == &stopOpt)
            meter.setStopDumpAfter(n);
        else
            meter.setFallSilentAfter(n);
    }
    if (parser.isSet(endOpt)) {
        const uint end = parser.value(endOpt).toUInt(&ok, 0);
        if (!ok || end < 1023 || end > 0xFFFFFF) {
            std::fprintf(stderr, "meter_standin: bad --end-address\n");
            return 2;
        }
        meter.setEndAddress(end);
    }
    if (parser.isSet(silentOpt))
        meter.setLineMode(standin::MeterStandIn::LineMode::Silent);
    else if (parser.isSet(noiseOpt))
        meter.setLineMode(standin::MeterStandIn::LineMode::Noise);
    else if (parser.isSet(badOpt))
        meter.setLineMode(standin::MeterStandIn::LineMode::BadEndMarkers);

    if (!meter.open(parser.value(linkOpt))) {
        std::fprintf(stderr, "meter_standin: cannot open a pseudo-terminal%s\n",
                     parser.isSet(linkOpt) ? " or place the link" : "");
        return 1;
    }

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("meter_standin: pipe");
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    QSocketNotifier sigNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&sigNotifier, &QSocketNotifier::activated, &app, [] {
        char buf[16];
        while (::read(signalPipe[0], buf, sizeof buf) > 0) {
        }
        QCoreApplication::quit();
    });

    QObject::connect(&meter, &standin::MeterStandIn::commandReceived, &app,
                     [](const standin::LoggedCommand& c) {
                         std::fprintf(stderr, "%s\n", describe(c).toLocal8Bit().constData());
                         std::fflush(stderr);
                     });

    std::printf("%s\n", meter.devicePath().toLocal8Bit().constData());
    std::fflush(stdout);

    const int rc = app.exec();
    meter.close(); // removes the link
    return rc;
}
