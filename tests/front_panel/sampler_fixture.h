// The main window without a port, for the toolbar, the recording and the sampler: the tests set
// the display's unit and reading themselves and drive the sampler tick by tick.
#pragma once

#include "front_panel/panel.h"
#include "front_panel/real_time_list.h"
#include "meter_link/records.h"
#include "platform/common_dialog.h"
#include "platform/toolbar.h"
#include "tests/support/test_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

namespace testing {

struct SamplerFixture {
    QTemporaryDir dir;
    AppState app;
    MessageCapture messages;
    EndCapture ends;
    // Answers for the file dialogs, in order; an empty text is a cancel.
    QStringList answers;
    QList<platform::CommonDialog::Request> requests;
    std::unique_ptr<Panel> panel;

    SamplerFixture() {
        platform::CommonDialog::setResponder(
            [this](const platform::CommonDialog::Request& r) -> std::optional<QString> {
                requests.append(r);
                const QString a = answers.isEmpty() ? QString() : answers.takeFirst();
                if (a.isEmpty())
                    return std::nullopt;
                return a;
            });
        panel = std::make_unique<Panel>(app);
        app.sampling.SampleInterval = 1;
        app.sampling.SampleTime = QStringLiteral("10:00:00");
        show(QStringLiteral("W/(M)2"), QStringLiteral("812.5"));
    }
    ~SamplerFixture() {
        panel.reset();
        platform::CommonDialog::setResponder({});
    }

    // What the mirror shows: the unit text and the reading label.
    void show(const QString& unit, const QString& value) {
        app.display.DisplayUnitText = unit;
        panel->LblValue->setText(value);
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    // A click on a toolbar button of the main window, as the user makes it.
    void click(const QString& key) {
        platform::ToolbarButton* b = panel->Toolbar1->button(key);
        QVERIFY2(b, qPrintable(key));
        b->click();
    }
    void startRecording(const QString& file) {
        answers << file;
        click(QStringLiteral("Save"));
    }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i)
            panel->Timer2_Timer();
    }
    platform::ToolbarButton* saveButton() const { return panel->Toolbar1->button(QStringLiteral("Save")); }
    RealTimeList* list() const { return panel->realTimeList(); }
    // Runs the deletion of a closed list window.
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    static QByteArray fileBytes(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot open>");
    }
};

} // namespace testing
