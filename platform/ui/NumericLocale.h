#pragma once

namespace platform {

// Qt takes the locale from the environment when it starts; every text format of the
// system writes and reads numbers with a decimal point, so LC_NUMERIC goes back to "C".
void RestoreCNumericLocale();

} // namespace platform
