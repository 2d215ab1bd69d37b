// What the logger, list and plot windows use of the main window, and which of them are open.
// One instance, owned by the main window and handed to those windows.
#pragma once

#include "meter_link/records.h"

#include <QPointer>

class MeterLine;
class QWidget;
namespace platform {
class CommonDialog;
}
class Memory;
class DataList;
class FileList;
class ListPlot;
class PlotRange;

struct LoggerContext {
    AppState* app = nullptr;
    QWidget* panel = nullptr;               // the main window: owner and placement of the windows
    platform::CommonDialog* Cmd1 = nullptr; // the one file dialog of the run
    MeterLine* line = nullptr;              // the serial line: poll, sampler holds, commands

    // The open windows; each is null once it has been unloaded.
    QPointer<Memory> memory;
    QPointer<DataList> dataList;
    QPointer<FileList> fileList;
    QPointer<ListPlot> listPlot;
    QPointer<PlotRange> plotRange;
};
