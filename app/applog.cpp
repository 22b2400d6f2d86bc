#include "applog.h"

Q_LOGGING_CATEGORY(lcApp, "lens.app")
