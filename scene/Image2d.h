#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Single-channel image of 32-bit float pixels, row-major: pixel (x, y) is column x, row y, at
// index y * width + x. Operations answer 1 on success and 0 on failure; a failure keeps its
// text as the image's last error and shows it in a message box. No operation rescales values:
// 8-bit files give 0-255, binary images hold exactly 0 and 1.
class CImage2d
{
public:
  // Largest image allocated, so that a hostile size cannot exhaust memory (16384 x 16384).
  static constexpr long long MaxPixels = 1LL << 28;

  explicit CImage2d(int traceFlag = 0);
  explicit CImage2d(const CImage2d* source, int traceFlag = 0);
  CImage2d(int width, int height, int traceFlag = 0);
  CImage2d(int width, int height, double value, int traceFlag = 0);
  CImage2d(const CImage2d&) = delete;
  CImage2d& operator=(const CImage2d&) = delete;

  // Storage
  int Alloc(int width, int height);
  int Alloc(int width, int height, float value);
  int Create(int width, int height, float value);
  void Free();
  int Fill(float value);
  int SetData(int width, int height, const float* values);
  int Copy(const CImage2d* source);
  int Copy(const CImage2d* source, int x, int y);
  int SubImage(const CImage2d* source, int x, int y, int w, int h);
  int SameSize(const CImage2d& reference);

  // Access
  float* GetData() { return m_Data.empty() ? nullptr : m_Data.data(); }
  const float* GetData() const { return m_Data.empty() ? nullptr : m_Data.data(); }
  int GetWidth() const { return m_Width; }
  int GetHeight() const { return m_Height; }
  int GetSize() const { return m_Width * m_Height; }
  float GetPixel(int x, int y) const { return m_Data[static_cast<size_t>(y) * m_Width + x]; }
  int SetPixel(int x, int y, float value);
  const char* GetName() const { return m_Name.c_str(); }
  void SetName(const char* text) { m_Name = text ? text : ""; }
  const char* GetError() const { return m_HasError ? m_Error.c_str() : nullptr; }
  int GetTrace() const { return m_Trace; }
  int SetError(const std::string& text);

  // Arithmetic and comparison
  int Mult(const CImage2d& image);
  int Mult(float factor);
  int Add(const CImage2d& image);
  int Add(float offset);
  int Substract(const CImage2d& image);
  int LogicalAnd(const CImage2d& image);
  int LogicalOr(const CImage2d& image);
  int LogicalXor(const CImage2d& image);
  int LogicalNot(const CImage2d& image);
  int LogicalNot();
  int IsEqual(const CImage2d& image) const;
  int IsBinary() const;

  // Statistics and value mapping
  double Sum() const;
  double Mean() const;
  float Deviation() const;
  int Occurrences(float value) const;
  float GetMin();
  float GetMax();
  float GetMin(const CImage2d& image, const CImage2d& mask);
  float GetMax(const CImage2d& image, const CImage2d& mask);
  int Dynamic(float low, float high);
  int AddNoise(float mean, float sigma, float low, float high);
  int Translate(const CImage2d& source, int dx, int dy, float value);
  int MirrorX();
  int MirrorY();

  // Files
  int ReadFile(const char* name);
  int ReadFile(int type, const char* name);
  int Savefile(const char* name);
  int WriteFile(int type, const char* name, int flag = 0);

  // Kernels and convolution
  int KernelGaussian3x3();
  int KernelGaussian5x5();
  int KernelGaussian7x7();
  int KernelGradientX();
  int KernelGradientY();
  int KernelLaplacian();
  int Filter(const CImage2d* kernel, float divider, int flag, float border);
  int Filter(const CImage2d* kernel, float divider);
  int SmoothGaussian3x3();
  int SmoothGaussian5x5();
  int SmoothGaussian7x7();

  // Thresholds and value maps
  int Threshold(float t, float low, float high);
  int Threshold(const float* array, int n);
  int ThresholdHysteresis(float low, float high);
  int ClampBelow(float t, float value);
  int ClampAbove(float t, float value);
  int Abs();
  int Binarize(float t);
  int ApplyMask(const CImage2d& mask);
  int ClearGrid(int step);
  int SetBorder(int b, float value);

  // Binary morphology and run thinning
  int Dilate();
  int Erode();
  int Dilate(CImage2d& work);
  int Erode(CImage2d& work);
  int Outline(int b);
  int EdgeCompressX();
  int EdgeCompressY();
  int EdgeCompress();

  // Edges and differential measures
  int Gradient(int b);
  int Deriche(int b);
  int Curvature();
  int GradientNorm(const CImage2d& source);
  int SecondDerivativeNorm(const CImage2d& source);
  int Variance(int n);

  // Filling, regions and geodesics
  int FillHoles(float value);
  int FillObject();
  int FillAround(float stop, float value);
  int GrowRegions(float label, float low, float high);
  int GrowRegion(int x, int y, float label, float low, float high);
  int BuildGeodesic(float start);
  int BoundingBox(float value, float& xmin, float& ymax, float& xmax, float& ymin) const;

  // Conversion toward zero to a 32-bit integer, saturated (NaN gives 0).
  static int Truncate(double value);

private:
  int KeepError(const CImage2d& temporary);
  int SameSizeAs(const CImage2d& image) const { return m_Width == image.m_Width && m_Height == image.m_Height; }
  int IsInner(int x, int y) const { return x >= 1 && y >= 1 && x <= m_Width - 2 && y <= m_Height - 2; }
  template <class Op> int Combine(const CImage2d& image, const char* error, Op op);
  int CheckKernel(const CImage2d* kernel, float divider);
  int Smooth(int (CImage2d::*buildKernel)());
  int FilterGradients(CImage2d& gx, CImage2d& gy, float divider);
  int ReadPGM(const char* name);
  int ReadInrimage(const char* name);
  int ReadBMP(const char* name);
  int ReadLGN(const char* name);
  int WritePGM(const char* name);
  int WriteInrimage(const char* name);
  int WriteBMP(const char* name);
  int ReadBytes(std::FILE* file, int width, int height);
  int ReadNumbers(std::FILE* file, int width, int height);
  int WriteBytes(std::FILE* file, int stride);
  void SpreadNeighbourhoods(float seek, float set, std::vector<float>& out) const;
  int MorphologyWith(CImage2d& work, float background, float seek, const char* error);
  int EdgeCompressRuns(int runs, int length, int runStep, int pixelStep, const char* error);
  template <class Accept> void Flood(std::vector<int>& stack, int nbOffset, const int (*offsets)[2], Accept accept, float mark);

  std::vector<float> m_Data;
  int m_Width = 0;
  int m_Height = 0;
  std::string m_Name = "No name";
  std::string m_Error;
  bool m_HasError = false;
  int m_Trace = 0;
};
