// A bare window with a list grid as the list windows fill it: three columns, the header row
// "No.s", "Time" and the unit, then the rows. The test may delete the window itself.
#pragma once

#include "platform/grid.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace testing {

struct ListWindow {
    QWidget* window = new QWidget; // deleted by the test that closes it, else here
    QPointer<QWidget> guard{window};
    platform::Grid* grid = new platform::Grid(window);

    explicit ListWindow(const QStringList& rows = {}, const QString& unit = QStringLiteral("W/(M)2")) {
        window->setWindowTitle(QStringLiteral("Real Time List"));
        grid->setCols(3);
        grid->setRow(0);
        const QStringList header{QStringLiteral("No.s"), QStringLiteral("Time"), unit};
        for (int c = 0; c < 3; ++c) {
            grid->setCol(c);
            grid->setText(header[c]);
        }
        for (const QString& r : rows)
            grid->addItem(r);
    }
    ~ListWindow() { delete guard.data(); }
    ListWindow(const ListWindow&) = delete;
    ListWindow& operator=(const ListWindow&) = delete;
};

} // namespace testing
