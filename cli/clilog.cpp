#include "clilog.h"

Q_LOGGING_CATEGORY(lcCli, "lens.cli")
