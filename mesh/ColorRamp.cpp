#include "mesh/ColorRamp.h"

template <int N>
void CColorRamp::BuildPreset(const Key (&keys)[N])
{
  m_Size = 256;
  ResetKeys();
  for (const Key& key : keys)
    SetKey(key.index, key.r, key.g, key.b);
  BuildKeyList();
  Interpolate();
}

void CColorRamp::BuildGrey()
{
  static const Key keys[] = {{0, 0, 0, 0}, {255, 255, 255, 255}};
  BuildPreset(keys);
}

void CColorRamp::BuildRainbow()
{
  static const Key keys[] = {{0, 0, 0, 0},       {32, 0, 0, 255},    {64, 0, 255, 255},
                             {96, 0, 252, 0},    {128, 255, 254, 0}, {176, 255, 128, 0},
                             {208, 255, 0, 0},   {240, 128, 0, 0},   {255, 255, 255, 255}};
  BuildPreset(keys);
}

void CColorRamp::BuildBlueWhite()
{
  static const Key keys[] = {{0, 0, 0, 128},     {48, 0, 0, 254}, {176, 0, 255, 255},
                             {208, 128, 255, 255}, {255, 255, 255, 255}};
  BuildPreset(keys);
}

void CColorRamp::BuildRedWhite()
{
  static const Key keys[] = {{0, 0, 0, 0}, {48, 128, 0, 0}, {165, 255, 128, 0},
                             {255, 255, 255, 255}};
  BuildPreset(keys);
}

void CColorRamp::BuildRedYellow()
{
  static const Key keys[] = {{0, 255, 0, 0}, {255, 255, 255, 0}};
  BuildPreset(keys);
}

void CColorRamp::SetKey(int i, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
  m_Red[i] = r;
  m_Green[i] = g;
  m_Blue[i] = b;
  m_Key[i] = 1;
}

void CColorRamp::ResetKeys()
{
  for (int i = 0; i < 256; i++)
    m_Key[i] = 0;
  m_Key[0] = 1;
  m_Key[m_Size - 1] = 1;
  BuildKeyList();
}

void CColorRamp::BuildKeyList()
{
  m_Key[0] = 1;
  m_Key[m_Size - 1] = 1;
  m_NbKey = 0;
  for (int i = 0; i < m_Size; i++)
    if (m_Key[i])
      m_KeyList[m_NbKey++] = static_cast<std::uint8_t>(i);
}

// Float arithmetic on purpose: computing in double changes some entries by one.
void CColorRamp::InterpolateChannel(std::uint8_t* channel)
{
  for (int k = 0; k + 1 < m_NbKey; k++) {
    const int a = m_KeyList[k];
    const int b = m_KeyList[k + 1];
    const float va = channel[a];
    const float vb = channel[b];
    const float slope = (vb - va) / static_cast<float>(b - a);
    const float intercept = va - static_cast<float>(a) * slope;
    for (int i = a; i < b; i++)
      channel[i] = static_cast<std::uint8_t>(static_cast<int>(static_cast<float>(i) * slope + intercept));
  }
}

void CColorRamp::Interpolate()
{
  InterpolateChannel(m_Red);
  InterpolateChannel(m_Green);
  InterpolateChannel(m_Blue);
}
