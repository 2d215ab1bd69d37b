#include "front_panel/panel.h"
#include "meter_link/port.h"
#include "meter_link/records.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));

    AppState app;
    std::unique_ptr<Panel> panel;
    auto* port = new Port(app.link, [&] {
        panel = std::make_unique<Panel>(app);
        panel->show();
        panel->Form_Load();
    });
    port->show();
    return qapp.exec();
}
