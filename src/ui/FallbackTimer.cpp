#include "ui/FallbackTimer.h"

// Test builds only (tests/integration): divides both durations.
#ifndef WEBINSTALLER_TEST_TIMER_SCALE
#define WEBINSTALLER_TEST_TIMER_SCALE 1
#endif

UINT FallbackStartMs() { return 60000 / WEBINSTALLER_TEST_TIMER_SCALE; }
UINT FallbackDocumentMs() { return 120000 / WEBINSTALLER_TEST_TIMER_SCALE; }
