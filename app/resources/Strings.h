#pragma once

// The string table.
const char* LoadString(unsigned id);
