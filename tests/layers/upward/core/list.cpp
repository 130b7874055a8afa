// Includes of its own layer and those below pass.
#include "base/consoleline.h"
#include "net/udpmultinic.h"
#include "protocol/kvframe.h"
#include "core/devicerules.h"
#include <QString>
