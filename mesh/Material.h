#pragma once

// An OpenGL material; the getters hand out arrays ready for glMaterialfv.
class CMaterial
{
public:
  CMaterial() = default;

  void SetAmbient(float r, float g, float b, float a) { Set4(m_Ambient, r, g, b, a); }
  void SetDiffuse(float r, float g, float b, float a) { Set4(m_Diffuse, r, g, b, a); }
  void SetSpecular(float r, float g, float b, float a) { Set4(m_Specular, r, g, b, a); }
  void SetEmission(float r, float g, float b, float a) { Set4(m_Emission, r, g, b, a); }
  void SetShininess(float shininess) { m_Shininess = shininess; }

  const float* GetAmbient() const { return m_Ambient; }
  const float* GetDiffuse() const { return m_Diffuse; }
  const float* GetSpecular() const { return m_Specular; }
  const float* GetEmission() const { return m_Emission; }
  const float* GetShininess() const { return &m_Shininess; }
  float* GetAmbient() { return m_Ambient; }
  float* GetDiffuse() { return m_Diffuse; }
  float* GetSpecular() { return m_Specular; }
  float* GetEmission() { return m_Emission; }
  float* GetShininess() { return &m_Shininess; }

  void Copy(const CMaterial* material) { *this = *material; }
  void Copy(const CMaterial& material) { *this = material; }

  // Sets ambient, diffuse, specular, shininess and emission for both faces.
  void Apply() const;

private:
  static void Set4(float* dst, float r, float g, float b, float a)
  {
    dst[0] = r;
    dst[1] = g;
    dst[2] = b;
    dst[3] = a;
  }

  float m_Ambient[4] = {0.0f, 0.33f, 0.5f, 1.0f};
  float m_Diffuse[4] = {0.5f, 0.5f, 0.8f, 1.0f};
  float m_Specular[4] = {0.1f, 0.1f, 0.1f, 1.0f};
  float m_Shininess = 84.0f;
  float m_Emission[4] = {0.0f, 0.0f, 0.0f, 1.0f};
};
