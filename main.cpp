#include "front_panel/panel.h"
#include "front_panel/start_up.h"
#include "meter_link/records.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));

    AppState app;
    std::unique_ptr<Panel> panel;
    StartUp(app, panel);
    return qapp.exec();
}
