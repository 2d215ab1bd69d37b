// The meter stand-in seen from the program's side of the pseudo-terminal.

#include "tools/standin/meter_standin.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using standin::MeterStandIn;

namespace {

// The program's end of the line: the device opened as the program's serial port opens it.
class Peer {
public:
    explicit Peer(const QString& path) {
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) {
            termios tio{};
            tcgetattr(fd, &tio);
            cfmakeraw(&tio);
            cfsetispeed(&tio, B19200);
            cfsetospeed(&tio, B19200);
            tio.c_cflag |= CLOCAL | CREAD;
            tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ~Peer() {
        if (fd >= 0)
            ::close(fd);
    }
    bool ok() const { return fd >= 0; }
    void send(const QByteArray& b) { QCOMPARE_GE(::write(fd, b.constData(), size_t(b.size())), b.size()); }
    QByteArray take() {
        QByteArray out;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0)
            out.append(buf, n);
        return out;
    }
    // Pumps events (the stand-in runs in this thread) until n bytes are in or the time is up.
    QByteArray readUntil(qsizetype n, int timeoutMs = 20000) {
        QByteArray out = take();
        QElapsedTimer t;
        t.start();
        while (out.size() < n && t.elapsed() < timeoutMs) {
            QTest::qWait(5);
            out += take();
        }
        return out;
    }
    QByteArray readFor(int ms) {
        QTest::qWait(ms);
        return take();
    }
    // Sends and collects the answer: what arrives within ms.
    QByteArray exchange(const QByteArray& b, int ms = 60) {
        take();
        send(b);
        return readFor(ms);
    }
    int fd = -1;
};

QByteArray hex(const char* s) {
    return QByteArray::fromHex(s);
}

bool isPointerReply(const QByteArray& r) {
    return r.size() == 6 && r.startsWith(hex("02AA")) && r.endsWith('\x03');
}

// Main value of a display frame as a number, with the point its flags place.
double frameValue(const QByteArray& f) {
    QString digits;
    for (int i : {9, 10})
        digits += QString::asprintf("%02X", quint8(f[i - 1]));
    digits.replace(QLatin1Char('C'), QLatin1Char(' '));
    const quint8 f2 = quint8(f[2]);
    const int at = f2 & 0x10 ? 1 : f2 & 0x20 ? 2 : f2 & 0x40 ? 3 : 4;
    return (digits.left(at) + QLatin1Char('.') + digits.mid(at)).trimmed().toDouble();
}

} // namespace

class TestStandIn : public QObject {
    Q_OBJECT

    std::unique_ptr<MeterStandIn> meter;
    std::unique_ptr<Peer> peer;

private slots:
    void init() {
        meter = std::make_unique<MeterStandIn>();
        QVERIFY(meter->open());
        meter->setDumpPace(0);
        meter->setFramePeriodMs(20);
        peer = std::make_unique<Peer>(meter->devicePath());
        QVERIFY(peer->ok());
    }
    void cleanup() {
        peer.reset();
        meter.reset();
    }

    void pointerReply_data() {
        QTest::addColumn<quint32>("end");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("empty") << quint32(1023) << hex("02AA0003FF03");
        QTest::newRow("top") << quint32(131071) << hex("02AA01FFFF03");
        QTest::newRow("1100") << quint32(1100) << hex("02AA00044C03");
    }
    void pointerReply() {
        QFETCH(quint32, end);
        QFETCH(QByteArray, reply);
        meter->setEndAddress(end);
        QCOMPARE(peer->exchange("A"), reply);
    }

    void defaultLoggerHasData() {
        QVERIFY(meter->endAddress() > 1023);
        QCOMPARE(meter->endAddress(), 1023 + quint32(meter->loggerImage().size()));
        QCOMPARE(meter->loggerImage().left(4), hex("0055AA00"));
    }

    void queuedPointerRepliesComeFirstInOrder() {
        meter->setEndAddress(1100);
        meter->queuePointerReplies({hex("02AA00"), hex("02AA0003FF0399"), QByteArray()});
        QCOMPARE(peer->exchange("A"), hex("02AA00"));
        QCOMPARE(peer->exchange("A"), hex("02AA0003FF0399"));
        QCOMPARE(peer->exchange("A"), QByteArray()); // an empty reply is silence
        QCOMPARE(peer->exchange("A"), hex("02AA00044C03"));
    }

    void streamGoesOnThroughKeysAndPausesForReplies() {
        peer->send("M");
        const QByteArray got = peer->readUntil(13 * 4);
        QVERIFY(meter->streaming());
        QCOMPARE_GE(got.size(), 13 * 4);
        for (qsizetype i = 0; i + 13 <= got.size(); i += 13) {
            const QByteArray f = got.mid(i, 13);
            QCOMPARE(quint8(f[0]), 0x02);
            QCOMPARE(quint8(f[12]), 0x03);
            QCOMPARE(quint8(f[3]), 0x05);        // W per square metre
            QCOMPARE(quint8(f[2]) & 0x70, 0x40); // ddd.d
            const double w = frameValue(f);
            QVERIFY2(w >= 770 && w <= 870, qPrintable(QString::number(w)));
        }
        QCOMPARE(got.size() % 13, 0); // whole frames only

        // The pointer query and a key leave the display updating, as on the meter.
        peer->send("A");
        peer->send("H");
        peer->readFor(250);
        QVERIFY(meter->streaming());

        // A command with a reply pauses it: nothing but the reply after it.
        peer->readFor(0);
        peer->send("J");
        QByteArray tail;
        QElapsedTimer waited;
        waited.start();
        while (!(tail.size() % 13 == 4 && tail.endsWith(hex("02010003"))) && waited.elapsed() < 20000)
            tail += peer->readFor(5);
        QVERIFY(!meter->streaming());
        QCOMPARE(tail.size() % 13, 4); // whole frames, then the reply
        QCOMPARE(tail.right(4), hex("02010003"));
        QCOMPARE(peer->readFor(150), QByteArray());

        peer->send("M");
        QCOMPARE(peer->readUntil(13).left(1), hex("02"));
    }

    void fixedFrameIsStreamed() {
        const QByteArray f = standin::makeFrame(0x01, 0x40, 0x05, 0x00, 0x07, 0x1000, 0x1234, 0xCCCC);
        QCOMPARE(f, hex("02014005000710001234CCCC03"));
        meter->setFrame(f);
        peer->send("M");
        QCOMPARE(peer->readUntil(26).left(26), f + f);
        meter->setFrame({});
        QCOMPARE(quint8(meter->currentFrame()[3]), 0x05);
    }

    void keys_data() {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<int>("byte"); // 1-based frame position
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("value");
        QTest::newRow("hold") << QByteArray("H") << 2 << 0x01 << 0x01;
        QTest::newRow("hold off") << QByteArray("HH") << 2 << 0x01 << 0x00;
        QTest::newRow("max") << QByteArray("X") << 2 << 0x0E << 0x02;
        QTest::newRow("min") << QByteArray("XX") << 2 << 0x0E << 0x04;
        QTest::newRow("avg") << QByteArray("XXX") << 2 << 0x0E << 0x08;
        QTest::newRow("all three") << QByteArray("XXXX") << 2 << 0x0E << 0x0E;
        QTest::newRow("back to max") << QByteArray("XXXXX") << 2 << 0x0E << 0x02;
        QTest::newRow("exit") << QByteArray("XXE") << 2 << 0x0E << 0x00;
        QTest::newRow("time") << QByteArray("T") << 2 << 0x40 << 0x40;
        QTest::newRow("battery") << QByteArray("O") << 2 << 0x80 << 0x80;
        QTest::newRow("cal") << QByteArray("U") << 3 << 0x01 << 0x01;
        QTest::newRow("kW") << QByteArray("P") << 3 << 0xF0 << 0x90;
        QTest::newRow("Btu") << QByteArray("PP") << 5 << 0x03 << 0x03;
        QTest::newRow("kBtu") << QByteArray("PPP") << 4 << 0xFF << 0xC0;
        QTest::newRow("percent") << QByteArray("PPPP") << 4 << 0xFF << 0x20;
        QTest::newRow("W again") << QByteArray("PPPPP") << 4 << 0xFF << 0x05;
        QTest::newRow("stored") << QByteArray("BB") << 6 << 0xFF << 0x02;
        QTest::newRow("memory mark") << QByteArray("B") << 3 << 0x0C << 0x04;
        QTest::newRow("read back") << QByteArray("BR") << 3 << 0x0C << 0x0C;
        QTest::newRow("clear prompt") << QByteArray("I") << 5 << 0xE0 << 0x60;
        QTest::newRow("prompt no") << QByteArray("IR") << 5 << 0xE0 << 0xA0;
        QTest::newRow("prompt yes again") << QByteArray("IRP") << 5 << 0xE0 << 0x60;
        QTest::newRow("confirm clears") << QByteArray("BBIU") << 6 << 0xFF << 0x00;
        QTest::newRow("no keeps") << QByteArray("BBIRU") << 6 << 0xFF << 0x02;
        QTest::newRow("set long") << QByteArray("C") << 2 << 0x20 << 0x20;
    }
    void keys() {
        QFETCH(QByteArray, keys);
        QFETCH(int, byte);
        QFETCH(int, mask);
        QFETCH(int, value);
        for (qsizetype i = 0; i < keys.size(); ++i) {
            peer->send(keys.mid(i, 1));
            // "C" alone is a key only once its payload wait ran out.
            QTRY_COMPARE_WITH_TIMEOUT(meter->commands().size(), i + 1, 10000);
        }
        peer->take();
        peer->send("M");
        const QByteArray f = peer->readUntil(13).left(13);
        QCOMPARE(f.size(), 13);
        QCOMPARE(quint8(f[byte - 1]) & mask, value);
        QCOMPARE(meter->commandLetters(), QString::fromLatin1(keys) + QLatin1Char('M'));
    }

    void unitsConvertTheHeldReading() {
        peer->send("HM");
        const double w = frameValue(peer->readUntil(13).left(13));
        // Expected value and the tolerance that the shown digits and the rounding of w allow.
        const QList<std::pair<double, double>> steps = {
            {w / 1000, 0.0006}, {w / 3.1546, 0.07}, {w / 3154.6, 0.0006}, {w / 10, 0.06}, {w, 0.001}};
        for (const auto& [expected, tolerance] : steps) {
            peer->send("P");
            QTest::qWait(5);
            peer->take();
            peer->send("M");
            const double v = frameValue(peer->readUntil(13).left(13));
            QVERIFY2(std::abs(v - expected) <= tolerance,
                     qPrintable(QStringLiteral("%1 vs %2").arg(v).arg(expected)));
        }
    }

    void intervalRoundTrip() {
        QCOMPARE(peer->exchange("J"), hex("02010003"));
        peer->send(hex("47001E")); // G 00 1E
        QTRY_COMPARE(meter->loggerInterval(), 30);
        QCOMPARE(peer->exchange("J"), hex("02001E03"));
        peer->send(hex("470100"));
        QTRY_COMPARE(meter->loggerInterval(), 60);
        QCOMPARE(peer->exchange("J"), hex("02010003"));
        QCOMPARE(meter->commands().at(1).payload, hex("001E"));
        QCOMPARE(meter->commandLetters(), QStringLiteral("JGJGJ"));
        // Pairs the meter cannot hold change nothing.
        peer->send(hex("470200"));
        peer->send(hex("470000"));
        QTRY_COMPARE(meter->commandLetters(), QStringLiteral("JGJGJGG"));
        QCOMPARE(peer->exchange("J"), hex("02010003"));

        meter->queueIntervalReplies({hex("020100"), hex("01010003")});
        QCOMPARE(peer->exchange("J"), hex("020100"));
        QCOMPARE(peer->exchange("J"), hex("01010003"));
        QCOMPARE(peer->exchange("J"), hex("02010003"));
    }

    void clockCommandAndSetKey() {
        // The program sends the payload 20 ms after the letter.
        peer->send("C");
        QTest::qWait(20);
        peer->send(hex("190D0709"));
        QTRY_COMPARE(meter->commands().size(), 1);
        QCOMPARE(meter->commands().at(0).letter, 'C');
        QCOMPARE(meter->commands().at(0).payload, hex("190D0709"));
        QCOMPARE(meter->lastClockPayload(), hex("190D0709"));
        QCOMPARE(quint8(meter->currentFrame()[1]) & 0x20, 0); // not taken as the key

        // A loaded machine may send it far later.
        peer->send("C");
        QTest::qWait(1000);
        peer->send(hex("190D070A"));
        QTRY_COMPARE(meter->commands().size(), 2);
        QCOMPARE(meter->commands().at(1).payload, hex("190D070A"));
        QCOMPARE(quint8(meter->currentFrame()[1]) & 0x20, 0);

        // The key alone: no payload within the wait.
        peer->send("C");
        QTRY_COMPARE_WITH_TIMEOUT(meter->commands().size(), 3, 10000);
        QVERIFY(meter->commands().at(2).payload.isEmpty());
        QCOMPARE(quint8(meter->currentFrame()[1]) & 0x20, 0x20);

        // The key followed at once by the next query: both served well before the payload wait
        // would have run out.
        peer->take();
        peer->send("CA");
        QCOMPARE(peer->readUntil(6, 1500).size(), 6);
        QCOMPARE(meter->commandLetters(), QStringLiteral("CCCCA"));
        QVERIFY(meter->commands().at(3).payload.isEmpty());
        QCOMPARE(meter->lastClockPayload(), hex("190D070A"));
    }

    void clockShownAfterSetting() {
        peer->send(hex("430C172D00")); // 12th, 23:45:00
        QTRY_COMPARE(meter->lastClockPayload().size(), 4);
        peer->send("T");
        QTest::qWait(5);
        const QByteArray f = meter->currentFrame();
        QCOMPARE(f.mid(10, 2), hex("2345"));
        QCOMPARE(quint8(f[1]) & 0x40, 0x40);
    }

    void dump_data() {
        QTest::addColumn<int>("records");
        QTest::newRow("one record") << 1;
        QTest::newRow("many") << 2000; // several fast chunks
    }
    void dump() {
        QFETCH(int, records);
        standin::LoggerSetSpec a;
        a.start = QTime(9, 30, 5);
        a.intervalSeconds = 60;
        for (int i = 0; i < records; ++i)
            a.raw << quint32(100000 + i);
        meter->setLoggerSets({a});
        const QByteArray image = meter->loggerImage();
        QCOMPARE(image.size(), 10 + 3 * records);
        const quint32 end = meter->endAddress();
        QCOMPARE(end, quint32(1023 + image.size()));

        peer->send("F");
        const qsizetype expected = qsizetype(end) - 1008;
        const QByteArray got = peer->readUntil(expected);
        QCOMPARE(got.size(), expected);
        QCOMPARE(got.mid(14, 4), hex("0055AA00"));
        QCOMPARE(got.mid(14, image.size()), image);
        QCOMPARE(peer->readFor(30), QByteArray());
    }

    void dumpLengthFollowsTheEndAddress() {
        meter->setEndAddress(1100);
        peer->send("F");
        QCOMPARE(peer->readUntil(92).size(), 92);
        QCOMPARE(peer->readFor(30), QByteArray());
    }

    void dumpFaults() {
        meter->setLoggerSets({{QTime(8, 0), 1, {1, 2, 3}}});
        const qsizetype expected = qsizetype(meter->endAddress()) - 1008;
        meter->setCorruptFirstDumpMarker(true);
        peer->send("F");
        QByteArray got = peer->readUntil(expected);
        QCOMPARE(got.size(), expected);
        QCOMPARE(got.mid(14, 4), hex("0055AA01"));
        QCOMPARE(got.mid(18), meter->loggerImage().mid(4) + got.right(1));

        peer->send("F"); // once only
        QCOMPARE(peer->readUntil(expected).mid(14, 4), hex("0055AA00"));

        meter->setStopDumpAfter(16);
        peer->send("F");
        QCOMPARE(peer->readUntil(16).size(), 16);
        QCOMPARE(peer->readFor(100), QByteArray()); // and no more
        peer->send("F");
        QCOMPARE(peer->readUntil(expected).size(), expected);
    }

    void pulledCableStopsTheDumpAndFallsSilent() {
        meter->setLoggerSets({{QTime(8, 0), 1, QList<quint32>(100, 5000)}});
        meter->setFallSilentAfter(40);
        peer->send("F");
        QCOMPARE(peer->readUntil(400, 200).size(), 40);
        QCOMPARE(peer->exchange("A"), QByteArray());
        QCOMPARE(peer->exchange("M", 80), QByteArray());
        meter->setLineMode(MeterStandIn::LineMode::Normal); // plugged in again
        QVERIFY(isPointerReply(peer->exchange("A")));
        QCOMPARE(peer->readFor(30), QByteArray());
        peer->send("F");
        QCOMPARE(peer->readUntil(330).size(), qsizetype(meter->endAddress()) - 1008);
    }

    void memories_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("records"); // per set
        QTest::newRow("demo") << QStringLiteral("demo") << QList<int>{6, 8};
        QTest::newRow("week") << QStringLiteral("week") << QList<int>(7, 840);
        QTest::newRow("full") << QStringLiteral("full") << QList<int>{43346};
        QTest::newRow("empty") << QStringLiteral("empty") << QList<int>{};
    }
    void memories() {
        QFETCH(QString, name);
        QFETCH(QList<int>, records);
        QByteArray image;
        QVERIFY(standin::loggerMemory(name, image));
        // Walk the sets by their lengths: each opens with a marker, and no record pair on the grid
        // reads as one, so the sets cut exactly where they were built.
        QList<int> found;
        qsizetype p = 0;
        quint32 peak = 0;
        while (p < image.size()) {
            QCOMPARE(image.mid(p, 4), hex("0055AA00"));
            qsizetype q = p + 10;
            while (q < image.size() && image.mid(q, 4) != hex("0055AA00")) {
                const quint32 raw = quint32(quint8(image[q])) << 16 | quint32(quint8(image[q + 1])) << 8 |
                                    quint8(image[q + 2]);
                peak = std::max(peak, raw);
                q += 3;
            }
            found << int((q - p - 10) / 3);
            p = q;
        }
        QCOMPARE(found, records);
        QVERIFY(peak <= 1100000); // never far beyond the full scale
        meter->setLoggerImage(image);
        if (name == QLatin1String("full"))
            QCOMPARE(meter->endAddress(), quint32(131071));
        QVERIFY(!standin::loggerMemory(QStringLiteral("nonesuch"), image));
    }

    void daylightReadingsFollowTheSun() {
        const QList<quint32> day = standin::daylightReadings(QTime(0, 0), 600, 144, 3);
        QCOMPARE(day.size(), 144);
        QCOMPARE(day.at(3 * 6), 0u);          // 03:00
        QVERIFY(day.at(12 * 6 + 3) > 300000); // 12:30, W/m2 above 300
        QCOMPARE(day.at(21 * 6), 0u);         // 21:00
        QCOMPARE(standin::daylightReadings(QTime(0, 0), 600, 144, 3), day);
    }

    void pacedDumpIsSpreadAndACommandEndsIt() {
        meter->setLoggerSets({{QTime(8, 0), 1, QList<quint32>(330, 5000)}}); // 1000-byte image
        meter->setDumpPace(2000);
        peer->send("F");
        const QByteArray first = peer->readUntil(1);
        QVERIFY2(first.size() > 0 && first.size() < 900, qPrintable(QString::number(first.size())));
        peer->send("A");
        QByteArray reply;
        QElapsedTimer waited;
        waited.start();
        while (!isPointerReply(reply.right(6)) && waited.elapsed() < 20000)
            reply += peer->readFor(5);
        QVERIFY(isPointerReply(reply.right(6)));
        QCOMPARE(peer->readFor(100), QByteArray()); // the dump stopped
    }

    void deleteEmptiesTheLogger() {
        peer->send("D");
        QTRY_COMPARE(meter->endAddress(), quint32(1023));
        QVERIFY(meter->loggerImage().isEmpty());
        QCOMPARE(peer->exchange("A"), hex("02AA0003FF03"));
        QCOMPARE(peer->exchange("F", 100), QByteArray());
    }

    void lineModes() {
        meter->setLineMode(MeterStandIn::LineMode::Silent);
        QCOMPARE(peer->exchange("A"), QByteArray());
        QCOMPARE(peer->exchange("M", 80), QByteArray());
        QCOMPARE(peer->exchange("J"), QByteArray());
        QCOMPARE(meter->commandLetters(), QStringLiteral("AMJ"));

        meter->setLineMode(MeterStandIn::LineMode::Noise);
        const QByteArray noise = peer->exchange("M", 100);
        QCOMPARE_GE(noise.size(), 26);
        QVERIFY(!noise.contains('\x03'));
        // The noise goes on, but the reply comes through: noise never holds its 0x03.
        QVERIFY(peer->exchange("A").contains('\x03'));

        meter->setLineMode(MeterStandIn::LineMode::BadEndMarkers);
        const QByteArray bad = peer->exchange("M", 60).left(13);
        QCOMPARE(bad.size(), 13);
        QCOMPARE(quint8(bad[0]), 0x02);
        QVERIFY(quint8(bad[12]) != 0x03);
    }

    void logsEveryByteAndCommand() {
        QList<standin::LoggedCommand> seen;
        connect(meter.get(), &MeterStandIn::commandReceived, this,
                [&](const standin::LoggedCommand& c) { seen.append(c); });
        peer->send(QByteArray("AM") + hex("00") + "H");
        QTRY_COMPARE(seen.size(), 4);
        QCOMPARE(meter->received(), QByteArray("AM") + hex("00") + "H");
        QCOMPARE(meter->commandLetters(), QStringLiteral("AM?H"));
        QCOMPARE(seen.at(2).payload, hex("00"));
        meter->clearLog();
        QVERIFY(meter->received().isEmpty());
        QCOMPARE(meter->commandLetters(), QString());
    }

    void loggerImageLayout() {
        const QByteArray img = standin::buildLoggerImage(
            {{QTime(23, 59, 59), 60, {0x0186A0, 0x000001}}, {QTime(9, 30, 5), 30, {0x01E240}}});
        QCOMPARE(img, hex("0055AA00"
                          "00235959"
                          "0100"
                          "0186A0"
                          "000001"
                          "0055AA00"
                          "00093005"
                          "001E"
                          "01E240"));
    }

    void closeMakesTheDeviceGoAwayAndReopenMovesTheLink() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyMeter"));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent"), link)); // a stale link is replaced
        MeterStandIn m;
        QVERIFY(m.open(link));
        QCOMPARE(m.devicePath(), link);
        const QString first = QFile::symLinkTarget(link);
        QVERIFY(first.startsWith(QStringLiteral("/dev/pts/")));
        {
            Peer p(link);
            QVERIFY(p.ok());
            QCOMPARE(p.exchange("A").size(), 6);
            m.close();
            QVERIFY(!m.isOpen());
            pollfd pfd{p.fd, POLLIN, 0};
            QCOMPARE(::poll(&pfd, 1, 100), 1);
            QVERIFY(pfd.revents & POLLHUP);
            QVERIFY(!QFileInfo(link).isSymLink());
        }
        QVERIFY(m.reopen());
        QVERIFY(QFileInfo(link).isSymLink());
        Peer p2(link);
        QVERIFY(p2.ok());
        QCOMPARE(p2.exchange("A").size(), 6);
    }

    void aRealFileIsNotReplaced() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plain"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        MeterStandIn m;
        QVERIFY(!m.open(path));
        QVERIFY(QFileInfo(path).isFile());
    }
};

QTEST_GUILESS_MAIN(TestStandIn)
#include "test_standin.moc"
