// The main window as the plot and its range dialog see it: app records, a placeholder window,
// the two timers, registered in one LoggerContext. Header-only, for the plot tests.
#pragma once

#include "logger_data/list_plot_state.h"
#include "logger_data/logger_context.h"
#include "meter_link/records.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace testing {

struct PlotFixture {
    AppState app;
    QWidget panel;
    QTimer timer1, timer2;
    LoggerContext ctx;

    PlotFixture() {
        panel.setGeometry(0, 0, 323, 400);
        timer1.setInterval(50);
        timer2.setInterval(960);
        ctx.app = &app;
        ctx.panel = &panel;
        ctx.Timer1 = &timer1;
        ctx.Timer2 = &timer2;
    }
    ~PlotFixture() {
        // The windows are the panel's children; drop them before the records they point at.
        for (QWidget* w : panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isWindow())
                delete w;
    }

    // A plot of a list of `records` rows, as the list windows' Plot buttons set it up.
    void plotOf(float records, bool metric = true, bool fromFile = false) {
        SetPlotState(app.plot, fromFile, metric, records);
    }
};

// Runs `action` once, when the window's caption first becomes `caption`.
class AtCaption : public QObject {
public:
    AtCaption(QWidget* w, const QString& caption, std::function<void()> action)
        : w_(w), caption_(caption), action_(std::move(action)) {
        w->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::WindowTitleChange && action_ && w_->windowTitle() == caption_) {
            auto a = std::move(action_);
            action_ = nullptr;
            a();
        }
        return false;
    }

private:
    QWidget* w_;
    QString caption_;
    std::function<void()> action_;
};

} // namespace testing
