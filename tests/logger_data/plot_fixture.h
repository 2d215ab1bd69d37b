// The main window as the plot and its range dialog see it, placed and ticking as the real one.
// Header-only, for the plot tests.
#pragma once

#include "logger_data/list_plot_state.h"
#include "tests/support/context_fixture.h"

#include <QEvent>
#include <QWidget>
#include <functional>

namespace testing {

struct PlotFixture : ContextFixture {
    PlotFixture() {
        panel.setGeometry(0, 0, 323, 400);
        timer2.setInterval(960);
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
