// Event pumping for the program's waits. Every wait pumps window events but blocks between them,
// so no core spins while the program waits for the meter.
#pragma once

namespace platform {

// Runs the events that are pending now, without waiting.
void pumpEvents();
// Runs pending events; if there are none, sleeps until the next event or until `maxSeconds`
// (on the program's clock) have passed, whichever comes first.
void pumpEventsFor(double maxSeconds);

// Ends the program at once (the main window's unload). Tests replace it.
void endProgram(int code);
using EndProgramHook = void (*)(int);
void setEndProgramHook(EndProgramHook hook);

} // namespace platform
