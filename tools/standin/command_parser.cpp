#include "tools/standin/command_parser.h"

namespace standin {

namespace {
constexpr int kPayloadWaitMs = 2000;
}

bool isCommandLetter(char c) {
    return c != 0 && QByteArrayLiteral("AMHXEPRBIUCTOJGFD").contains(c);
}

CommandParser::CommandParser(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &CommandParser::resolve);
}

void CommandParser::reset() {
    timer_.stop();
    pending_ = Pending::None;
    payload_.clear();
}

void CommandParser::feed(quint8 b) {
    if (pending_ == Pending::Clock) {
        if (b >= 'A' && b <= 'Z') {
            resolve();
        } else {
            payload_.append(char(b));
            if (payload_.size() == 4)
                resolve();
            return;
        }
    } else if (pending_ == Pending::Interval) {
        payload_.append(char(b));
        if (payload_.size() == 2)
            resolve();
        return;
    }
    begin(char(b));
}

void CommandParser::begin(char c) {
    emit started(c);
    if (c == 'C' || c == 'G') {
        pending_ = c == 'C' ? Pending::Clock : Pending::Interval;
        payload_.clear();
        timer_.start(kPayloadWaitMs);
        return;
    }
    LoggedCommand cmd;
    if (isCommandLetter(c)) {
        cmd.letter = c;
    } else {
        cmd.letter = '?';
        cmd.payload = QByteArray(1, c);
    }
    emit command(cmd);
}

void CommandParser::resolve() {
    timer_.stop();
    LoggedCommand cmd;
    cmd.letter = pending_ == Pending::Interval ? 'G' : 'C';
    cmd.payload = payload_;
    pending_ = Pending::None;
    payload_.clear();
    emit command(cmd);
}

} // namespace standin
