#include "logger_data/chart_toolbar.h"

#include "logger_data/list_frame.h"
#include "platform/draw_surface.h"
#include "platform/form.h"
#include "platform/message_box.h"
#include "platform/toolbar.h"

platform::DrawSurface* BuildChartSurface(QWidget& window) {
    auto* surface = new platform::DrawSurface(&window);
    surface->setObjectName(QStringLiteral("Surface"));
    surface->setGeometry(window.rect());
    return surface;
}

platform::Toolbar* BuildChartToolbar(QWidget& window, platform::ImageList& images,
                                     const std::function<void(const QString&)>& click) {
    return BuildWindowToolbar(
        window, images,
        {{"Limit", "Limit", ":/toolbar/limit.png"}, {"Print", "Print", ":/toolbar/print.png"}}, click);
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
