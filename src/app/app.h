// What the app library offers: the run (run.h) and the platform layer it
// runs on (platform.h).
#pragma once

#include "app/platform.h"
#include "app/run.h"
