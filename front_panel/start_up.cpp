#include "front_panel/start_up.h"

#include "front_panel/panel.h"
#include "meter_link/port.h"

std::unique_ptr<Panel> ShowPanel(AppState& app) {
    auto panel = std::make_unique<Panel>(app);
    if (!panel->Form_Load())
        return nullptr;
    // The window itself holds the focus at first, so Enter or Space sends nothing to the meter
    // until the user moves the focus onto a key; Tab reaches the keys from there.
    panel->setFocus(Qt::OtherFocusReason);
    panel->show();
    return panel;
}

Port* StartUp(AppState& app, std::unique_ptr<Panel>& panel) {
    auto* port = new Port(app.link, [&app, &panel] { panel = ShowPanel(app); });
    port->show();
    return port;
}
