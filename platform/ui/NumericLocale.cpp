#include "platform/ui/NumericLocale.h"

#include <clocale>

namespace platform {

void RestoreCNumericLocale()
{
  std::setlocale(LC_NUMERIC, "C");
}

} // namespace platform
