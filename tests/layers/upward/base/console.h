// A console line that knows the window: the check must refuse it.
#include "base/logging.h"
#include "ui/mainwindow.h"
