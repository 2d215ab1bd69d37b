// The short replies the meter sends: to the memory-pointer query "A" and to "J", the logging
// interval. The first byte picks which one the rest is read as.
#include "meter_link/meter.h"
#include "meter_link/rs232.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArray reply = fuzzBytes(data + 1, size - 1);
    const std::size_t n = size - 1;
    const std::uint8_t* r = data + 1;

    if (data[0] & 1) {
        const bool usable = IsMemoryPointerReply(reply);
        FUZZ_CHECK(usable == (n >= 6 && r[0] == 0x02 && r[1] == 0xAA && r[5] == 0x03));
        if (usable) {
            const int pointer = MemoryPointerOf(reply);
            FUZZ_CHECK(pointer >= 0 && pointer <= 0xFFFFFF);
            FUZZ_CHECK(pointer == (r[2] << 16 | r[3] << 8 | r[4]));
            // What a download makes of that end address: an image length within the dump.
            const int expected = LoggerDumpLength(static_cast<float>(pointer));
            FUZZ_CHECK(expected == pointer - 1008);
        }
    } else {
        const bool usable = IsLoggerIntervalReply(reply);
        FUZZ_CHECK(usable == (n >= 4 && r[0] == 0x02 && r[3] == 0x03));
        if (usable) {
            const int seconds = LoggerIntervalSeconds(reply);
            FUZZ_CHECK(seconds == (r[1] == 1 ? 60 : r[2]));
            FUZZ_CHECK(seconds >= 0 && seconds <= 255);
            // Sent back as it came, the pair is always one the meter can hold.
            const QByteArray payload = LoggerIntervalPayload(seconds);
            FUZZ_CHECK(payload.size() == 2);
            const int back = LoggerIntervalSeconds(QByteArray(1, '\x02') + payload + QByteArray(1, '\x03'));
            FUZZ_CHECK(back >= 1 && back <= 60);
        }
    }
    return 0;
}
