// The program's side of the serial line on the meter stand-in, through the real serial layer.
// Header-only: only the tests of the link and the main window include it.
#pragma once

#include "meter_link/records.h"
#include "meter_link/meter_line.h"
#include "meter_link/rs232.h"
#include "platform/serial_control.h"
#include "tools/standin/meter_standin.h"

#include <QTemporaryDir>

namespace testing {

// Opens the stand-in behind a link in `dir` and maps COM1 to that link.
inline bool openOnCom1(standin::MeterStandIn& meter, const QTemporaryDir& dir) {
    const QString link = dir.filePath(QStringLiteral("meter"));
    if (!meter.open(link))
        return false;
    qputenv("VANTREL_COM1", link.toLocal8Bit());
    return true;
}

struct LineFixture {
    QTemporaryDir dir;
    standin::MeterStandIn meter;
    LinkState linkState;
    LoggerState loggerState;
    MeterLine link{linkState, loggerState};
    platform::SerialControl& com = link.COM;

    // The stand-in on COM1 and the program's port open on it, as the main window opens it.
    bool open() {
        if (!openOnCom1(meter, dir))
            return false;
        linkState.ComPortNumber = 1;
        return link.open(1);
    }
};

} // namespace testing
