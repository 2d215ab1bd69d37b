#include "logger_data/chart_toolbar.h"

#include "platform/draw_surface.h"
#include "platform/form.h"
#include "platform/message_box.h"
#include "platform/toolbar.h"
#include "platform/twips.h"

platform::DrawSurface* BuildChartSurface(QWidget& window) {
    auto* surface = new platform::DrawSurface(&window);
    surface->setObjectName(QStringLiteral("Surface"));
    surface->setGeometry(window.rect());
    return surface;
}

platform::Toolbar* BuildChartToolbar(QWidget& window, platform::ImageList& images) {
    images.add(QIcon(QStringLiteral(":/toolbar/limit.png")));
    images.add(QIcon(QStringLiteral(":/toolbar/print.png")));
    auto* bar = new platform::Toolbar(&window);
    bar->setObjectName(QStringLiteral("Toolbar1"));
    bar->setGeometry(0, 0, window.width(), platform::px(420));
    bar->setImageList(&images);
    bar->addButton(QStringLiteral("Limit"), QStringLiteral("Limit"), 1);
    bar->addButton(QStringLiteral("Print"), QStringLiteral("Print"), 2);
    bar->raise();
    return bar;
}

void PrintChart(platform::Form& window, platform::Toolbar& toolbar, platform::DrawSurface& surface,
                const QString& failure) {
    toolbar.hide();
    // A print from inside a running plot must see the picture the plot holds back.
    const bool updates = surface.updatesEnabled();
    surface.setUpdatesEnabled(true);
    QString error;
    const bool printed = platform::PrintWindowImage(window, &error);
    surface.setUpdatesEnabled(updates);
    toolbar.show();
    if (!printed) {
        // The chart stays as it is; the user only learns that it did not go out.
        platform::Form::Hold hold(window);
        platform::msgBox(&window, failure.arg(error), platform::MsgIcon::Critical);
    }
}
