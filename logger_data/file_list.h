// The file list: the rows of a data file the user opened. Opening a file fills its grid.
#pragma once

#include "platform/form.h"
#include "platform/toolbar.h"

struct LoggerContext;
namespace platform {
class Grid;
}

class FileList : public platform::Form {
    Q_OBJECT
public:
    // A window of its own, owned by the main window; Form_Load runs here.
    explicit FileList(LoggerContext& ctx);

    void Form_Load();
    void Toolbar1_ButtonClick(const QString& key);

    platform::Toolbar* Toolbar1 = nullptr;
    platform::Grid* Grid = nullptr;
    platform::ImageList ImageList1;

    static constexpr const char* Caption = "File List";

private:
    void plot();

    LoggerContext& ctx_;
};
