// The widgets reaching into the command-line program, a peer: refused too.
#include "core/devicelist.h"
#include "cli/commands.h"
#include "ui_panel.h"
