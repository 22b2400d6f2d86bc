#include "cataloguelog.h"

Q_LOGGING_CATEGORY(lcCatalogue, "lens.catalogue")
