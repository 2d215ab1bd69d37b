// "Open" on the main toolbar: reads a data file chosen by the user into a fresh file list.
#pragma once

struct LoggerContext;

void OpenDataFile(LoggerContext& ctx);
