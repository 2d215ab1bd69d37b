// The PC sampler: one sample per sampling interval into the recording file and the live list.
#include "front_panel/panel.h"

void Panel::Timer2_Timer() {}
