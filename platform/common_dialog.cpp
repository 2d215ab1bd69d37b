#include "platform/common_dialog.h"
// placeholder: replaced by the dialog implementation
namespace platform {
CommonDialog::CommonDialog(QWidget* owner) : owner_(owner) {}
}
