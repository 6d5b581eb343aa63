// The proxy is header-only; this source keeps the one-unit-one-source layout.
#include "foundation/OrvProxyStreams.h"
