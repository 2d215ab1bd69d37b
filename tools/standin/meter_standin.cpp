// The meter's side of the line on a pseudo-terminal.
//
// Everything runs from socket notifiers and timers on the caller's thread: tests run the stand-in
// next to the program in one event loop, so nothing here blocks or sleeps.
//
// What the stand-in's own display does with the key letters (the meter's keys as we model them):
//   H  toggles HOLD (the reading freezes).
//   X  cycles MAX -> MIN -> AVG -> MAX MIN AVG -> MAX ...; entering from none restarts the statistics.
//      MAX MIN AVG shows the live reading with all three marks.
//   E  leaves max/min/avg.
//   P  cycles the unit W/m2 -> kW/m2 -> Btu/(ft2.h) -> kBtu/(ft2.h) -> % -> W/m2
//      (1 Btu/(ft2.h) = 3.1546 W/m2; % is of 1000 W/m2). On the clear prompt it toggles YES/NO.
//   R  toggles showing the last stored reading (R mark). On the clear prompt it toggles YES/NO.
//   B  stores the shown reading (W/m2) in memory; the memory number counts them (up to 99).
//   I  shows the clear-memory prompt, starting at YES; a second I leaves it unchanged.
//   U  on the clear prompt confirms (YES clears the memory); otherwise toggles the CAL mark.
//   C  (SET held long) toggles the "-" mark.
//   T  toggles the meter clock (hh:mm with the ":" mark) in the second digit group.
//   O  toggles the battery mark.
// The CAL group always shows the calibration factor 1.000; the M mark is on while readings are
// stored. Keys other than R, P, U and I do nothing while the clear prompt is shown.
//
// Command parsing: "G" takes the next two bytes as its payload. "C" is the clock command when four
// payload bytes follow within 150 ms; a letter arriving first (payload bytes are never letters) or
// the time running out with no payload makes it the SET key. A byte that is no command is logged
// as '?' with the byte as payload. Every command stops a running dump. The display stream goes on
// through "A" and the key letters, as the meter's own display keeps updating; the commands that
// carry a payload or a long reply ("F", "J", "G", "C", "D") pause it until the next "M".

#include "tools/standin/meter_standin.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <numbers>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace standin {

namespace {

constexpr quint32 kEmptyEnd = 1023;
constexpr int kPayloadWaitMs = 150;
constexpr qsizetype kFrameQueueCap = 1024; // frames are dropped while the reader lags this far
constexpr qsizetype kFastChunk = 4096;
constexpr double kWattsPerBtu = 3.1546;

quint8 bcd(int v) {
    return static_cast<quint8>(((v / 10) % 10) << 4 | (v % 10));
}

QByteArray defaultImage() {
    LoggerSetSpec a;
    a.start = QTime(9, 30, 0);
    a.intervalSeconds = 60;
    a.raw = {801200, 812500, 823400, 830100, 826700, 818800};
    LoggerSetSpec b;
    b.start = QTime(13, 15, 30);
    b.intervalSeconds = 30;
    b.raw = {845300, 851000, 858800, 849900, 840200, 836600, 829400, 833000};
    return buildLoggerImage({a, b});
}

bool isCommandLetter(char c) {
    return QByteArrayLiteral("AMHXEPRBIUCTOJGFD").contains(c);
}

} // namespace

QByteArray makeFrame(quint8 flags1, quint8 flags2, quint8 flags3, quint8 flags4, quint8 mem, quint16 cal,
                     quint16 value, quint16 second) {
    QByteArray f;
    f.reserve(13);
    f.append(char(0x02));
    f.append(char(flags1));
    f.append(char(flags2));
    f.append(char(flags3));
    f.append(char(flags4));
    f.append(char(mem));
    for (quint16 pair : {cal, value, second}) {
        f.append(char(pair >> 8));
        f.append(char(pair & 0xFF));
    }
    f.append(char(0x03));
    return f;
}

QByteArray buildLoggerImage(const QList<LoggerSetSpec>& sets) {
    QByteArray out;
    for (const auto& s : sets) {
        out.append(QByteArray::fromHex("0055AA00"));
        out.append(char(0x00));
        const QTime t = s.start.isValid() ? s.start : QTime(0, 0);
        out.append(char(bcd(t.hour())));
        out.append(char(bcd(t.minute())));
        out.append(char(bcd(t.second())));
        out.append(char(s.intervalSeconds / 60));
        out.append(char(s.intervalSeconds % 60));
        for (quint32 r : s.raw) {
            out.append(char((r >> 16) & 0xFF));
            out.append(char((r >> 8) & 0xFF));
            out.append(char(r & 0xFF));
        }
    }
    return out;
}

struct MeterStandIn::Impl {
    explicit Impl(MeterStandIn* owner) : q(owner) {}

    MeterStandIn* q;

    // --- device ---
    QString linkPath;
    QString slavePath;
    int masterFd = -1;
    int slaveFd = -1; // held so the master never sees a hang-up before the program opens its side
    QSocketNotifier* readNotifier = nullptr;
    QSocketNotifier* writeNotifier = nullptr;
    QByteArray outQueue;

    // --- stream ---
    QTimer streamTimer;
    bool streamWasOn = false; // the stream ran when a "C" came that may yet turn out a key
    int framePeriod = 100;
    QByteArray fixedFrame;
    LineMode mode = LineMode::Normal;
    QRandomGenerator rng{20250425};

    // --- pointer, logger, interval ---
    quint32 endAddr = 0;
    QByteArray image;
    QList<QByteArray> pointerReplies;
    QList<QByteArray> intervalReplies;
    int interval = 60;
    int pace = 1920;
    bool corruptNext = false;
    int stopAfter = -1;
    QByteArray dump;
    qsizetype dumpPos = 0;
    QElapsedTimer dumpClock;
    QTimer dumpTimer;

    // --- parser ---
    enum class Pending { None, Clock, Interval };
    Pending pending = Pending::None;
    QByteArray pendingPayload;
    QTimer pendingTimer;

    // --- clock ---
    QByteArray clockPayload;
    int clockSecondsAtSet = 0;
    QElapsedTimer clockSince;

    // --- log ---
    QByteArray received;
    QList<LoggedCommand> commands;

    // --- display ---
    QElapsedTimer since;
    bool hold = false;
    double heldW = 0;
    int mma = 0; // 0 none, 1 MAX, 2 MIN, 3 AVG, 4 all three
    double maxW = 0, minW = 0, sumW = 0;
    int statCount = 0;
    int unit = 0; // 0 W/m2, 1 kW/m2, 2 Btu/(ft2.h), 3 kBtu/(ft2.h), 4 %
    QList<double> memory;
    bool readMode = false;
    bool clearPrompt = false;
    bool clearYes = true;
    bool timeShown = false;
    bool battery = false;
    bool cal = false;
    bool dash = false;

    // ---------------------------------------------------------------- device

    bool openDevice() {
        const int fd = posix_openpt(O_RDWR | O_NOCTTY);
        if (fd < 0)
            return false;
        if (grantpt(fd) != 0 || unlockpt(fd) != 0) {
            ::close(fd);
            return false;
        }
        const char* name = ptsname(fd);
        if (!name) {
            ::close(fd);
            return false;
        }
        const QString path = QString::fromLocal8Bit(name);
        const int sfd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (sfd < 0) {
            ::close(fd);
            return false;
        }
        termios tio{};
        if (tcgetattr(sfd, &tio) == 0) {
            cfmakeraw(&tio);
            cfsetispeed(&tio, B19200);
            cfsetospeed(&tio, B19200);
            tcsetattr(sfd, TCSANOW, &tio);
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);

        if (!linkPath.isEmpty() && !placeLink(path)) {
            ::close(sfd);
            ::close(fd);
            return false;
        }
        masterFd = fd;
        slaveFd = sfd;
        slavePath = path;
        readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, q);
        QObject::connect(readNotifier, &QSocketNotifier::activated, q, [this] { onReadable(); });
        writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, q);
        writeNotifier->setEnabled(false);
        QObject::connect(writeNotifier, &QSocketNotifier::activated, q, [this] { onWritable(); });
        return true;
    }

    bool placeLink(const QString& target) {
        const QByteArray link = QFile::encodeName(linkPath);
        struct stat st {};
        if (lstat(link.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode))
                return false; // never replace a real file
            ::unlink(link.constData());
        }
        return ::symlink(QFile::encodeName(target).constData(), link.constData()) == 0;
    }

    void removeLink() {
        if (linkPath.isEmpty())
            return;
        const QByteArray link = QFile::encodeName(linkPath);
        struct stat st {};
        if (lstat(link.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
            // Only our own link: another stand-in may have moved it meanwhile.
            char buf[4096];
            const ssize_t n = ::readlink(link.constData(), buf, sizeof buf - 1);
            if (n >= 0 && QFile::decodeName(QByteArray(buf, n)) == slavePath)
                ::unlink(link.constData());
        }
    }

    void closeDevice() {
        streamTimer.stop();
        dumpTimer.stop();
        pendingTimer.stop();
        pending = Pending::None;
        pendingPayload.clear();
        dump.clear();
        dumpPos = 0;
        outQueue.clear();
        delete readNotifier;
        readNotifier = nullptr;
        delete writeNotifier;
        writeNotifier = nullptr;
        removeLink();
        if (slaveFd >= 0)
            ::close(slaveFd);
        if (masterFd >= 0)
            ::close(masterFd);
        slaveFd = masterFd = -1;
        slavePath.clear();
    }

    void send(const QByteArray& bytes) {
        if (masterFd < 0 || bytes.isEmpty())
            return;
        outQueue.append(bytes);
        flushOut();
    }

    void flushOut() {
        while (!outQueue.isEmpty() && masterFd >= 0) {
            const ssize_t n = ::write(masterFd, outQueue.constData(), size_t(outQueue.size()));
            if (n > 0) {
                outQueue.remove(0, n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break; // full (EAGAIN) or gone: wait for the notifier
        }
        if (writeNotifier)
            writeNotifier->setEnabled(!outQueue.isEmpty());
    }

    void onWritable() {
        flushOut();
        if (outQueue.isEmpty() && pace == 0 && dumpPos < dump.size())
            feedDump();
    }

    void onReadable() {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(masterFd, buf, sizeof buf);
            if (n > 0) {
                for (ssize_t i = 0; i < n; ++i) {
                    handleByte(static_cast<quint8>(buf[i]));
                    if (masterFd < 0)
                        return; // a slot closed us
                }
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EIO && readNotifier) {
                // No slave open at all (cannot happen while we hold ours); avoid a busy loop.
                readNotifier->setEnabled(false);
            }
            return;
        }
    }

    // ---------------------------------------------------------------- parser

    void log(char letter, const QByteArray& payload = {}) {
        LoggedCommand c;
        c.letter = letter;
        c.payload = payload;
        commands.append(c);
        emit q->commandReceived(c);
    }

    void handleByte(quint8 b) {
        received.append(char(b));
        if (pending == Pending::Clock) {
            if (b >= 'A' && b <= 'Z') {
                resolvePending();
            } else {
                pendingPayload.append(char(b));
                if (pendingPayload.size() == 4)
                    resolvePending();
                return;
            }
        } else if (pending == Pending::Interval) {
            pendingPayload.append(char(b));
            if (pendingPayload.size() == 2)
                resolvePending();
            return;
        }
        startCommand(char(b));
    }

    static bool pausesStream(char c) { return c == 'F' || c == 'J' || c == 'G' || c == 'C' || c == 'D'; }

    void startCommand(char c) {
        if (pausesStream(c)) {
            streamWasOn = streamTimer.isActive();
            streamTimer.stop();
        }
        stopDump();
        if (c == 'C' || c == 'G') {
            pending = c == 'C' ? Pending::Clock : Pending::Interval;
            pendingPayload.clear();
            pendingTimer.start(kPayloadWaitMs);
            return;
        }
        if (!isCommandLetter(c)) {
            log('?', QByteArray(1, c));
            return;
        }
        log(c);
        const bool silent = mode == LineMode::Silent;
        switch (c) {
        case 'A':
            if (silent)
                break;
            if (!pointerReplies.isEmpty())
                send(pointerReplies.takeFirst());
            else
                send(pointerReply());
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
            if (!intervalReplies.isEmpty())
                send(intervalReplies.takeFirst());
            else
                send(intervalReply());
            break;
        case 'F':
            if (!silent)
                startDump();
            break;
        case 'D':
            image.clear();
            endAddr = kEmptyEnd;
            break;
        default:
            key(c);
            break;
        }
    }

    void resolvePending() {
        pendingTimer.stop();
        const Pending p = pending;
        const QByteArray payload = pendingPayload;
        pending = Pending::None;
        pendingPayload.clear();
        if (p == Pending::Interval) {
            log('G', payload);
            if (payload.size() == 2) {
                const int secs = quint8(payload[0]) * 60 + quint8(payload[1]);
                if (secs >= 1 && secs <= 3600)
                    interval = secs;
            }
            return;
        }
        log('C', payload);
        if (payload.size() == 4) {
            clockPayload = payload;
            clockSecondsAtSet = quint8(payload[1]) * 3600 + quint8(payload[2]) * 60 + quint8(payload[3]);
            clockSince.start();
        } else if (payload.isEmpty()) {
            key('C');
            // The SET key held long is a key like any other: the display goes on.
            if (streamWasOn && mode != LineMode::Silent)
                streamTimer.start(framePeriod);
        }
    }

    QByteArray pointerReply() const {
        QByteArray r;
        r.append(char(0x02));
        r.append(char(0xAA));
        r.append(char((endAddr >> 16) & 0xFF));
        r.append(char((endAddr >> 8) & 0xFF));
        r.append(char(endAddr & 0xFF));
        r.append(char(0x03));
        return r;
    }

    QByteArray intervalReply() const {
        QByteArray r;
        r.append(char(0x02));
        r.append(char(interval / 60));
        r.append(char(interval % 60));
        r.append(char(0x03));
        return r;
    }

    // ---------------------------------------------------------------- dump

    void startDump() {
        if (endAddr <= kEmptyEnd)
            return;
        const qsizetype imageLen = qsizetype(endAddr - kEmptyEnd);
        QByteArray body = image.left(imageLen);
        if (body.size() < imageLen)
            body.append(QByteArray(imageLen - body.size(), char(0xFF))); // erased flash reads FF
        dump = QByteArrayLiteral("\x02LOGGER DUMP\x00\x00");
        dump.resize(14);
        dump.append(body);
        dump.append(char(0x03));
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
        if (masterFd < 0)
            return;
        if (pace == 0) {
            // As fast as the reader takes them, without holding the whole dump in our queue.
            while (dumpPos < dump.size() && outQueue.isEmpty()) {
                const qsizetype n = std::min(kFastChunk, dump.size() - dumpPos);
                send(dump.mid(dumpPos, n));
                dumpPos += n;
            }
        } else {
            const qint64 due = std::min<qint64>(dump.size(), dumpClock.elapsed() * pace / 1000);
            if (due > dumpPos) {
                send(dump.mid(dumpPos, due - dumpPos));
                dumpPos = due;
            }
        }
        if (dumpPos >= dump.size()) {
            dumpTimer.stop();
            dump.clear();
            dumpPos = 0;
        }
    }

    // ---------------------------------------------------------------- display

    double liveW() const {
        const double t = since.elapsed() / 1000.0;
        return 820.0 + 36.0 * std::sin(2 * std::numbers::pi * t / 60.0) +
               3.0 * std::sin(2 * std::numbers::pi * t / 7.0);
    }

    void updateStats() {
        if (mma == 0)
            return;
        const double w = liveW();
        maxW = std::max(maxW, w);
        minW = std::min(minW, w);
        sumW += w;
        ++statCount;
    }

    void restartStats() {
        const double w = liveW();
        maxW = minW = sumW = w;
        statCount = 1;
    }

    double shownW() const {
        if (readMode && !memory.isEmpty())
            return memory.last();
        switch (mma) {
        case 1:
            return maxW;
        case 2:
            return minW;
        case 3:
            return statCount > 0 ? sumW / statCount : liveW();
        default:
            break;
        }
        return hold ? heldW : liveW();
    }

    // Four packed digits with the point flags of byte 2 (bits 4-6); false when it does not fit.
    static bool encode(double v, int decimals, quint16& digits, quint8& dpFlags) {
        for (int dec = decimals; dec >= 0; --dec) {
            const long long scaled = std::llround(v * std::pow(10.0, dec));
            if (scaled > 9999 || scaled < 0)
                continue;
            QString text = QString::number(scaled).rightJustified(dec + 1, QLatin1Char('0'));
            text = text.rightJustified(4, QLatin1Char(' '));
            digits = 0;
            for (QChar ch : text)
                digits = quint16(digits << 4 | (ch == QLatin1Char(' ') ? 0xC : ch.digitValue()));
            dpFlags = dec == 3 ? 0x10 : dec == 2 ? 0x20 : dec == 1 ? 0x40 : 0x00;
            return true;
        }
        return false;
    }

    quint8 memNumberByte() const { return bcd(int(memory.size())); }

    QByteArray displayFrame() const {
        if (clearPrompt)
            return makeFrame(0, 0, 0, quint8(0x20 | (clearYes ? 0x40 : 0x80)), memNumberByte());

        quint8 f1 = 0, f2 = 0, f3 = 0, f4 = 0;
        if (hold)
            f1 |= 0x01;
        if (mma == 1 || mma == 4)
            f1 |= 0x02;
        if (mma == 2 || mma == 4)
            f1 |= 0x04;
        if (mma == 3 || mma == 4)
            f1 |= 0x08;
        if (dash)
            f1 |= 0x20;
        if (timeShown)
            f1 |= 0x40;
        if (battery)
            f1 |= 0x80;
        if (cal)
            f2 |= 0x01;
        f2 |= 0x02; // the CAL factor's point
        if (!memory.isEmpty())
            f2 |= 0x04;
        if (readMode && !memory.isEmpty())
            f2 |= 0x08;

        const double w = shownW();
        double v = w;
        int decimals = 1;
        switch (unit) {
        case 1:
            v = w / 1000.0;
            decimals = 3;
            f2 |= 0x80;
            f3 |= 0x05;
            break;
        case 2:
            v = w / kWattsPerBtu;
            f3 |= 0x80;
            f4 |= 0x03;
            break;
        case 3:
            v = w / kWattsPerBtu / 1000.0;
            decimals = 3;
            f3 |= 0xC0;
            f4 |= 0x03;
            break;
        case 4:
            v = w / 10.0;
            f3 |= 0x20;
            break;
        default:
            f3 |= 0x05;
            break;
        }
        quint16 value = 0xCCCC;
        quint8 dp = 0;
        if (encode(v, decimals, value, dp))
            f2 |= dp;
        else
            f4 |= 0x10;

        quint16 second = 0xCCCC;
        if (timeShown) {
            int secs = clockSecondsAtSet;
            if (clockSince.isValid())
                secs += int(clockSince.elapsed() / 1000);
            secs %= 86400;
            second = quint16(bcd(secs / 3600) << 8 | bcd(secs / 60 % 60));
        }
        return makeFrame(f1, f2, f3, f4, memNumberByte(), 0x1000, value, second);
    }

    QByteArray frameToSend() const {
        QByteArray f = fixedFrame.isEmpty() ? displayFrame() : fixedFrame;
        if (mode == LineMode::BadEndMarkers && !f.isEmpty())
            f[f.size() - 1] = char(0x00);
        return f;
    }

    void streamTick() {
        if (mode == LineMode::Silent)
            return;
        if (outQueue.size() > kFrameQueueCap)
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
            send(noise);
            return;
        }
        updateStats();
        send(frameToSend());
    }

    void key(char c) {
        if (clearPrompt) {
            switch (c) {
            case 'R':
            case 'P':
                clearYes = !clearYes;
                break;
            case 'U':
                if (clearYes) {
                    memory.clear();
                    readMode = false;
                }
                clearPrompt = false;
                break;
            case 'I':
                clearPrompt = false;
                break;
            default:
                break;
            }
            return;
        }
        switch (c) {
        case 'H':
            hold = !hold;
            heldW = liveW();
            break;
        case 'X':
            if (mma == 0)
                restartStats();
            mma = mma == 4 ? 1 : mma + 1;
            break;
        case 'E':
            mma = 0;
            break;
        case 'P':
            unit = (unit + 1) % 5;
            break;
        case 'R':
            readMode = !readMode && !memory.isEmpty();
            break;
        case 'B':
            if (memory.size() < 99)
                memory.append(std::round(shownW() * 10.0) / 10.0);
            break;
        case 'I':
            clearPrompt = true;
            clearYes = true;
            break;
        case 'U':
            cal = !cal;
            break;
        case 'C':
            dash = !dash;
            break;
        case 'T':
            timeShown = !timeShown;
            break;
        case 'O':
            battery = !battery;
            break;
        default:
            break;
        }
    }
};

MeterStandIn::MeterStandIn(QObject* parent) : QObject(parent), d(std::make_unique<Impl>(this)) {
    d->since.start();
    d->image = defaultImage();
    d->endAddr = kEmptyEnd + quint32(d->image.size());
    const QTime now = QTime::currentTime();
    d->clockSecondsAtSet = now.msecsSinceStartOfDay() / 1000;
    d->clockSince.start();

    d->streamTimer.setTimerType(Qt::PreciseTimer);
    connect(&d->streamTimer, &QTimer::timeout, this, [this] { d->streamTick(); });
    d->dumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&d->dumpTimer, &QTimer::timeout, this, [this] { d->feedDump(); });
    d->pendingTimer.setSingleShot(true);
    connect(&d->pendingTimer, &QTimer::timeout, this, [this] { d->resolvePending(); });
}

MeterStandIn::~MeterStandIn() {
    d->closeDevice();
}

bool MeterStandIn::open(const QString& linkPath) {
    if (isOpen())
        d->closeDevice();
    d->linkPath = linkPath;
    return d->openDevice();
}

QString MeterStandIn::devicePath() const {
    return d->linkPath.isEmpty() ? d->slavePath : d->linkPath;
}

void MeterStandIn::close() {
    d->closeDevice();
}

bool MeterStandIn::reopen() {
    d->closeDevice();
    return d->openDevice();
}

bool MeterStandIn::isOpen() const {
    return d->masterFd >= 0;
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
    d->endAddr = address;
}

quint32 MeterStandIn::endAddress() const {
    return d->endAddr;
}

void MeterStandIn::queuePointerReplies(const QList<QByteArray>& replies) {
    d->pointerReplies.append(replies);
}

void MeterStandIn::setLoggerSets(const QList<LoggerSetSpec>& sets) {
    setLoggerImage(buildLoggerImage(sets));
}

void MeterStandIn::setLoggerImage(const QByteArray& image) {
    d->image = image;
    d->endAddr = kEmptyEnd + quint32(image.size());
}

QByteArray MeterStandIn::loggerImage() const {
    return d->image;
}

void MeterStandIn::setLoggerInterval(int seconds) {
    d->interval = seconds;
}

int MeterStandIn::loggerInterval() const {
    return d->interval;
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
}

QByteArray MeterStandIn::lastClockPayload() const {
    return d->clockPayload;
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

void MeterStandIn::sendRaw(const QByteArray& bytes) { d->send(bytes); }

void MeterStandIn::clearLog() {
    d->received.clear();
    d->commands.clear();
}

} // namespace standin
