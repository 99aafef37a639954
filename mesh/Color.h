#pragma once

#include <cstdint>

// An RGBA colour of bytes; setting it from three components makes it opaque.
class CColor
{
public:
  CColor() = default;
  CColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) : m_r(r), m_g(g), m_b(b), m_a(255) {}
  CColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a)
    : m_r(r), m_g(g), m_b(b), m_a(a) {}

  void Set(std::uint8_t r, std::uint8_t g, std::uint8_t b) { Set(r, g, b, 255); }
  void Set(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a)
  {
    m_r = r;
    m_g = g;
    m_b = b;
    m_a = a;
  }
  void Set(const CColor* c) { *this = *c; }
  void Set(const CColor& c) { *this = c; }
  void SetGrey(std::uint8_t v) { Set(v, v, v); }

  std::uint8_t r() const { return m_r; }
  std::uint8_t g() const { return m_g; }
  std::uint8_t b() const { return m_b; }
  std::uint8_t a() const { return m_a; }

  bool operator==(const CColor&) const = default;

private:
  std::uint8_t m_r = 255;
  std::uint8_t m_g = 255;
  std::uint8_t m_b = 255;
  std::uint8_t m_a = 255;
};
