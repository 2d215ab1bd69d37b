// Turns the bytes the program writes into the meter's commands.
//
// "G" takes the next two bytes as its payload. "C" is the clock command when four payload bytes
// follow within 2 s; a letter arriving first (payload bytes are never letters) or the time
// running out with no payload makes it the SET key. The program sends the payload 20 ms after the
// letter, but a loaded machine can hold it back far longer, and the program's next query ends the
// wait of a key at once, so the wait is generous. A byte that is no command comes out with the
// letter '?' and the byte as payload.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

namespace standin {

// One command as the stand-in understood it: its letter and the payload bytes that came with it.
// "C" carries 4 payload bytes as the clock command and none as the SET key.
struct LoggedCommand {
    char letter = 0;
    QByteArray payload;
};

class CommandParser : public QObject {
    Q_OBJECT
public:
    explicit CommandParser(QObject* parent = nullptr);

    void feed(quint8 byte);
    // Drops a command still waiting for its payload (the line went away).
    void reset();

signals:
    // A byte that opens a command, before its payload is in: the meter reacts to the letter itself.
    void started(char letter);
    // A whole command.
    void command(const standin::LoggedCommand& command);

private:
    enum class Pending { None, Clock, Interval };
    void begin(char c);
    void resolve();

    Pending pending_ = Pending::None;
    QByteArray payload_;
    QTimer timer_;
};

bool isCommandLetter(char c);

} // namespace standin
