// The main toolbar: dispatch, the unit gate, starting and stopping a recording, the live list.
#include "front_panel/panel.h"

void Panel::buildToolbar() {}

void Panel::Toolbar1_ButtonClick(const QString&) {}
