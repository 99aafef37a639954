#pragma once

#include "platform/ui/MenuTable.h"

#include <vector>

// Accelerator table 128. Several keys appear twice; the first entry of a key acts.
const std::vector<platform::SAccel>& GetAccelerators();
