#include "platform/printer.h"
// placeholder: replaced by the printer implementation
