#include "platform/core/Format.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace platform {

namespace {

locale_t CLocale()
{
  static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  return c;
}

// Switches the calling thread to the C locale for the lifetime of the object.
class CScopedCLocale
{
public:
  CScopedCLocale() : m_Previous(uselocale(CLocale())) {}
  ~CScopedCLocale() { uselocale(m_Previous); }
  CScopedCLocale(const CScopedCLocale&) = delete;
  CScopedCLocale& operator=(const CScopedCLocale&) = delete;

private:
  locale_t m_Previous;
};

} // namespace

std::string FormatV(const char* format, va_list args)
{
  CScopedCLocale c;
  va_list copy;
  va_copy(copy, args);
  char buffer[256];
  const int n = std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  if (n < 0)
    return std::string();
  if (n < static_cast<int>(sizeof buffer))
    return std::string(buffer, n);
  std::string text(static_cast<size_t>(n), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

std::string Format(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  std::string text = FormatV(format, args);
  va_end(args);
  return text;
}

int PrintFile(std::FILE* file, const char* format, ...)
{
  CScopedCLocale c;
  va_list args;
  va_start(args, format);
  const int n = std::vfprintf(file, format, args);
  va_end(args);
  return n;
}

int Scan(const char* text, const char* format, ...)
{
  CScopedCLocale c;
  va_list args;
  va_start(args, format);
  const int n = std::vsscanf(text, format, args);
  va_end(args);
  return n;
}

double ParseDouble(const char* text, bool* ok)
{
  CScopedCLocale c;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  const bool found = end != text;
  if (ok)
    *ok = found;
  return found ? value : 0.0;
}

} // namespace platform
