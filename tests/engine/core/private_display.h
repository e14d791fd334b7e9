// The tests' private X server lives with the other test support.
#pragma once

#include "tests/support/private_display.h"
