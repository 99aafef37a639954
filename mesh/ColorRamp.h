#pragma once

#include <cstdint>

// A 256-entry colour ramp interpolated linearly between key entries.
class CColorRamp
{
public:
  CColorRamp() { BuildGrey(); }

  void BuildGrey();
  void BuildRainbow();
  void BuildBlueWhite();
  void BuildRedWhite();
  void BuildRedYellow();

  void ResetKeys();
  void BuildKeyList();
  void Interpolate();

  // Sets entry i to a colour and makes it a key (the key list is not rebuilt).
  void SetKey(int i, std::uint8_t r, std::uint8_t g, std::uint8_t b);

  int GetSize() const { return m_Size; }
  int GetNbKey() const { return m_NbKey; }
  int GetKey(int k) const { return m_KeyList[k]; }
  int IsKey(int i) const { return m_Key[i]; }
  std::uint8_t Red(int i) const { return m_Red[i]; }
  std::uint8_t Green(int i) const { return m_Green[i]; }
  std::uint8_t Blue(int i) const { return m_Blue[i]; }
  std::uint8_t* GetRed() { return m_Red; }
  std::uint8_t* GetGreen() { return m_Green; }
  std::uint8_t* GetBlue() { return m_Blue; }

private:
  struct Key
  {
    int index;
    std::uint8_t r, g, b;
  };
  template <int N>
  void BuildPreset(const Key (&keys)[N]);
  void InterpolateChannel(std::uint8_t* channel);

  std::uint8_t m_Red[256] = {};
  std::uint8_t m_Green[256] = {};
  std::uint8_t m_Blue[256] = {};
  std::uint8_t m_Key[256] = {};
  std::uint8_t m_KeyList[256] = {};
  int m_Size = 256;
  int m_NbKey = 0;
};
