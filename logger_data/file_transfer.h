// The file-transfer module: the save dialog, the export of a list grid to a text file and the
// printing of a list grid.
#pragma once

#include "meter_link/records.h"

#include <QString>

class MeterLine;
class QWidget;
namespace platform {
class CommonDialog;
class Grid;
} // namespace platform

// The save dialog on the main window's dialog control. Sets rec.SaveFileName and rec.FileChosen;
// a cancelled later dialog leaves both as they were.
void AskSaveFileName(platform::CommonDialog& Cmd1, RecordingState& rec);

// Writes every row of the grid to rec.SaveFileName in ANSI: each cell followed by a TAB, lines
// ending in CR LF. The file is replaced only once every row is on the disk, keeping its owner and
// permissions where it can; one with other names (hard links) or in a folder that takes no new
// file is written in place. Returns false after telling the user why when it cannot be written:
// the old file is then untouched, except after a failure half-way through a write in place,
// which leaves the part written (the user is told). The caption is put back and FileChosen
// cleared either way.
bool SaveGridToFile(QWidget& window, platform::Grid& grid, RecordingState& rec);

// "Save" of a list window: refused with a message while recording; otherwise the save dialog and,
// with a file chosen, the export of `grid`, all under the hourglass.
void SaveList(QWidget& window, platform::Grid& grid, RecordingState& rec, platform::CommonDialog& Cmd1);

// Prints the grid, one line per row in three padded columns, with polling held; rows
// appended while it prints are printed too. Returns false after telling the user when nothing
// could be printed; a print started while one runs is refused.
bool PrintGrid(QWidget& window, platform::Grid& grid, MeterLine& line);

// The printed line of one row: the three cells filled with blanks to 7, 10 and 15 characters.
// A longer cell is printed whole, with no blank after it.
QString PrintedRow(const QString& c0, const QString& c1, const QString& c2);
