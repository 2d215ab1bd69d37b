#include "platform/grid.h"
// placeholder: replaced by the grid implementation
namespace platform {
Grid::Grid(QWidget* parent) : QTableView(parent), model_(nullptr) {}
}
