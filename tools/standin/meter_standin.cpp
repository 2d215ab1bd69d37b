// The meter's side of the line on a pseudo-terminal.
//
// Everything runs from socket notifiers and timers on the caller's thread: tests run the stand-in
// next to the program in one event loop, so nothing here blocks or sleeps.
//
// Every command stops a running dump. The display stream goes on through "A" and the key letters,
// as the meter's own display keeps updating; the commands that carry a payload or a long reply
// ("F", "J", "G", "C", "D") pause it until the next "M".

#include "tools/standin/meter_standin.h"

#include "tools/standin/pty_device.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>

namespace standin {

namespace {

constexpr qsizetype kFrameQueueCap = 1024; // frames are dropped while the reader lags this far
constexpr qsizetype kFastChunk = 4096;

bool pausesStream(char c) {
    return c == 'F' || c == 'J' || c == 'G' || c == 'C' || c == 'D';
}

} // namespace

struct MeterStandIn::Impl {
    explicit Impl(MeterStandIn* owner) : q(owner) {}

    MeterStandIn* q;
    PtyDevice device;
    CommandParser parser;
    MeterDisplay display;
    MeterLogger logger;

    // --- stream ---
    QTimer streamTimer;
    bool streamWasOn = false; // the stream ran when a "C" came that may yet turn out a key
    int framePeriod = 100;
    QByteArray fixedFrame;
    LineMode mode = LineMode::Normal;
    QRandomGenerator rng{20250425};

    // --- canned replies ---
    QList<QByteArray> pointerReplies;
    QList<QByteArray> intervalReplies;

    // --- dump ---
    int pace = 1920;
    bool corruptNext = false;
    int stopAfter = -1;
    bool silentAfterStop = false;
    QByteArray dump;
    qsizetype dumpPos = 0;
    QElapsedTimer dumpClock;
    QTimer dumpTimer;

    // --- log ---
    QByteArray received;
    QList<LoggedCommand> commands;

    void wire() {
        QObject::connect(&device, &PtyDevice::received, q, [this](const QByteArray& bytes) {
            for (const char b : bytes) {
                received.append(b);
                parser.feed(quint8(b));
                if (!device.isOpen())
                    return; // a slot closed us
            }
        });
        QObject::connect(&device, &PtyDevice::drained, q, [this] {
            if (pace == 0 && dumpPos < dump.size())
                feedDump();
        });
        QObject::connect(&parser, &CommandParser::started, q, [this](char c) { onStarted(c); });
        QObject::connect(&parser, &CommandParser::command, q,
                         [this](const LoggedCommand& c) { onCommand(c); });
        streamTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&streamTimer, &QTimer::timeout, q, [this] { streamTick(); });
        dumpTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&dumpTimer, &QTimer::timeout, q, [this] { feedDump(); });
    }

    void closeDevice() {
        streamTimer.stop();
        parser.reset();
        stopDump();
        device.close();
    }

    // ---------------------------------------------------------------- commands

    void onStarted(char c) {
        if (pausesStream(c)) {
            streamWasOn = streamTimer.isActive();
            streamTimer.stop();
        }
        stopDump();
    }

    void onCommand(const LoggedCommand& c) {
        commands.append(c);
        emit q->commandReceived(c);
        const bool silent = mode == LineMode::Silent;
        switch (c.letter) {
        case '?':
            break;
        case 'A':
            if (silent)
                break;
            device.send(!pointerReplies.isEmpty() ? pointerReplies.takeFirst() : logger.pointerReply());
            break;
        case 'M':
            if (silent)
                break;
            streamTick();
            streamTimer.start(framePeriod);
            break;
        case 'J':
            if (silent)
                break;
            device.send(!intervalReplies.isEmpty() ? intervalReplies.takeFirst() : logger.intervalReply());
            break;
        case 'G':
            logger.setIntervalPayload(c.payload);
            break;
        case 'C':
            if (c.payload.size() == 4) {
                logger.setClockPayload(c.payload);
            } else if (c.payload.isEmpty()) {
                display.key('C');
                // The SET key held long is a key like any other: the display goes on.
                if (streamWasOn && !silent)
                    streamTimer.start(framePeriod);
            }
            break;
        case 'F':
            if (!silent)
                startDump();
            break;
        case 'D':
            logger.erase();
            break;
        default:
            display.key(c.letter);
            break;
        }
    }

    // ---------------------------------------------------------------- dump

    void startDump() {
        dump = logger.dump();
        if (dump.isEmpty())
            return;
        if (corruptNext) {
            corruptNext = false;
            if (dump.size() >= 18)
                dump.replace(14, 4, QByteArray::fromHex("0055AA01"));
        }
        if (stopAfter >= 0) {
            dump.truncate(stopAfter);
            stopAfter = -1;
        }
        dumpPos = 0;
        dumpClock.start();
        if (pace > 0)
            dumpTimer.start(10);
        feedDump();
    }

    void stopDump() {
        dumpTimer.stop();
        dump.clear();
        dumpPos = 0;
    }

    void feedDump() {
        if (!device.isOpen())
            return;
        if (pace == 0) {
            // As fast as the reader takes them, without holding the whole dump in our queue.
            while (dumpPos < dump.size() && device.queued() == 0) {
                const qsizetype n = std::min(kFastChunk, dump.size() - dumpPos);
                device.send(dump.mid(dumpPos, n));
                dumpPos += n;
            }
        } else {
            const qint64 due = std::min<qint64>(dump.size(), dumpClock.elapsed() * pace / 1000);
            if (due > dumpPos) {
                device.send(dump.mid(dumpPos, due - dumpPos));
                dumpPos = due;
            }
        }
        if (dumpPos >= dump.size()) {
            stopDump();
            if (silentAfterStop) {
                silentAfterStop = false;
                mode = LineMode::Silent; // the cable is out: nothing more comes
                streamTimer.stop();
            }
        }
    }

    // ---------------------------------------------------------------- stream

    QByteArray frameToSend() const {
        QByteArray f = fixedFrame.isEmpty() ? display.frame(logger.clockSeconds()) : fixedFrame;
        if (mode == LineMode::BadEndMarkers && !f.isEmpty())
            f[f.size() - 1] = char(0x00);
        return f;
    }

    void streamTick() {
        if (mode == LineMode::Silent)
            return;
        if (device.queued() > kFrameQueueCap)
            return; // nobody is reading; a real line just loses these
        if (mode == LineMode::Noise) {
            QByteArray noise(13, Qt::Uninitialized);
            for (auto& ch : noise) {
                quint8 b = 0;
                do
                    b = quint8(rng.bounded(256));
                while (b == 0x03); // never a frame end, so no window of it passes as a frame
                ch = char(b);
            }
            device.send(noise);
            return;
        }
        display.tick();
        device.send(frameToSend());
    }
};

MeterStandIn::MeterStandIn(QObject* parent) : QObject(parent), d(std::make_unique<Impl>(this)) {
    d->wire();
}

MeterStandIn::~MeterStandIn() {
    d->closeDevice();
}

bool MeterStandIn::open(const QString& linkPath) {
    d->closeDevice();
    return d->device.open(linkPath);
}

QString MeterStandIn::devicePath() const {
    return d->device.devicePath();
}

void MeterStandIn::close() {
    d->closeDevice();
}

bool MeterStandIn::reopen() {
    d->closeDevice();
    return d->device.reopen();
}

bool MeterStandIn::isOpen() const {
    return d->device.isOpen();
}

void MeterStandIn::setFramePeriodMs(int ms) {
    d->framePeriod = std::max(1, ms);
    if (d->streamTimer.isActive())
        d->streamTimer.start(d->framePeriod);
}

void MeterStandIn::setFrame(const QByteArray& frame) {
    d->fixedFrame = frame;
}

QByteArray MeterStandIn::currentFrame() const {
    return d->frameToSend();
}

bool MeterStandIn::streaming() const {
    return d->streamTimer.isActive();
}

void MeterStandIn::setLineMode(LineMode mode) {
    d->mode = mode;
}

MeterStandIn::LineMode MeterStandIn::lineMode() const {
    return d->mode;
}

void MeterStandIn::setEndAddress(quint32 address) {
    d->logger.endAddress = address;
}

quint32 MeterStandIn::endAddress() const {
    return d->logger.endAddress;
}

void MeterStandIn::queuePointerReplies(const QList<QByteArray>& replies) {
    d->pointerReplies.append(replies);
}

void MeterStandIn::setLoggerSets(const QList<LoggerSetSpec>& sets) {
    setLoggerImage(buildLoggerImage(sets));
}

void MeterStandIn::setLoggerImage(const QByteArray& image) {
    d->logger.setImage(image);
}

QByteArray MeterStandIn::loggerImage() const {
    return d->logger.image();
}

void MeterStandIn::setLoggerInterval(int seconds) {
    d->logger.interval = seconds;
}

int MeterStandIn::loggerInterval() const {
    return d->logger.interval;
}

void MeterStandIn::queueIntervalReplies(const QList<QByteArray>& replies) {
    d->intervalReplies.append(replies);
}

void MeterStandIn::setDumpPace(int bytesPerSecond) {
    d->pace = std::max(0, bytesPerSecond);
}

void MeterStandIn::setCorruptFirstDumpMarker(bool on) {
    d->corruptNext = on;
}

void MeterStandIn::setStopDumpAfter(int bytes) {
    d->stopAfter = bytes;
    d->silentAfterStop = false;
}

void MeterStandIn::setFallSilentAfter(int bytes) {
    d->stopAfter = bytes;
    d->silentAfterStop = bytes >= 0;
}

QByteArray MeterStandIn::lastClockPayload() const {
    return d->logger.clockPayload();
}

void MeterStandIn::sendRaw(const QByteArray& bytes) {
    d->device.send(bytes);
}

QByteArray MeterStandIn::received() const {
    return d->received;
}

QList<LoggedCommand> MeterStandIn::commands() const {
    return d->commands;
}

QString MeterStandIn::commandLetters() const {
    QString s;
    for (const auto& c : d->commands)
        s.append(QLatin1Char(c.letter));
    return s;
}

void MeterStandIn::clearLog() {
    d->received.clear();
    d->commands.clear();
}

} // namespace standin
