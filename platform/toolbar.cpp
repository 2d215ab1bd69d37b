#include "platform/toolbar.h"
// placeholder: replaced by the toolbar implementation
namespace platform {
ToolbarButton::ToolbarButton(const QString& key, QWidget* parent) : QToolButton(parent), key_(key) {}
Toolbar::Toolbar(QWidget* parent) : QWidget(parent) {}
}
