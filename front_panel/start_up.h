// The program's start: the port choice, then the main window.
#pragma once

#include "meter_link/records.h"

#include <memory>

class Panel;
class Port;

// Shows the main window as the port window asks for it: its load runs first, so the window is
// seen only once the port is open and it stands in the corner. Null when the load failed (it has
// then told the user and ended the program).
std::unique_ptr<Panel> ShowPanel(AppState& app);

// The start-up window; once a port is chosen it puts the main window into `panel`.
Port* StartUp(AppState& app, std::unique_ptr<Panel>& panel);
