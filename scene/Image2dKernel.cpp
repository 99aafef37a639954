#include "scene/Image2d.h"

#include <cmath>

namespace {

// Correlates the kernel (not mirrored) with the work pixels: the window whose top-left pixel
// is (x, y) of the work image gives the target pixel (x + ox, y + oy), for x < nx and y < ny.
void Correlate(const std::vector<float>& work, int workWidth, const std::vector<float>& kernel, int kw, int kh,
               float divider, float* target, int targetWidth, int ox, int oy, int nx, int ny)
{
  for (int y = 0; y < ny; y++)
    for (int x = 0; x < nx; x++) {
      float sum = 0.0f;
      for (int j = 0; j < kh; j++) {
        const float* row = work.data() + static_cast<size_t>(y + j) * workWidth + x;
        const float* weights = kernel.data() + static_cast<size_t>(j) * kw;
        for (int i = 0; i < kw; i++)
          sum += row[i] * weights[i];
      }
      target[static_cast<size_t>(y + oy) * targetWidth + x + ox] = sum / divider;
    }
}

// The isotropic 1, sqrt(2), 1 gradient scaled by 2 - sqrt(2).
double GradientA()
{
  return std::sqrt(2.0) - 2.0;
}

double GradientB()
{
  return -2.0 * (std::sqrt(2.0) - 1.0);
}

} // namespace

int CImage2d::KernelGaussian3x3()
{
  static const float values[] = {1, 2, 1, 2, 4, 2, 1, 2, 1};
  return SetData(3, 3, values);
}

int CImage2d::KernelGaussian5x5()
{
  static const float values[] = {1, 2, 4, 2, 1, 2, 4, 8, 4, 2, 4, 8, 16, 8, 4, 2, 4, 8, 4, 2, 1, 2, 4, 2, 1};
  return SetData(5, 5, values);
}

int CImage2d::KernelGaussian7x7()
{
  static const float values[] = {1, 1, 2, 2, 2, 1, 1, 1, 2, 2, 4, 2, 2, 1, 2, 2, 4, 8, 4, 2, 2, 2, 4, 8, 16,
                                 8, 4, 2, 2, 2, 4, 8, 4, 2, 2, 1, 2, 2, 4, 2, 2, 1, 1, 1, 2, 2, 2, 1, 1};
  return SetData(7, 7, values);
}

int CImage2d::KernelGradientX()
{
  const float a = static_cast<float>(GradientA());
  const float b = static_cast<float>(GradientB());
  const float values[] = {a, 0, -a, b, 0, -b, a, 0, -a};
  return SetData(3, 3, values);
}

int CImage2d::KernelGradientY()
{
  const float a = static_cast<float>(GradientA());
  const float b = static_cast<float>(GradientB());
  const float values[] = {a, b, a, 0, 0, 0, -a, -b, -a};
  return SetData(3, 3, values);
}

int CImage2d::KernelLaplacian()
{
  static const float values[] = {1, 1, 1, 1, -8, 1, 1, 1, 1};
  return SetData(3, 3, values);
}

int CImage2d::CheckKernel(const CImage2d* kernel, float divider)
{
  if (!kernel || kernel->m_Data.empty())
    return SetError("Filter : invalid specified filter pointer\n");
  if (divider == 0.0f)
    return SetError("Filter: invalid specified divider\n");
  if (kernel->m_Width % 2 == 0 || kernel->m_Height % 2 == 0 || kernel->m_Width > m_Width ||
      kernel->m_Height > m_Height)
    return SetError("Filter : invalid specified filter size\n");
  return 1;
}

// Pixels outside the image are taken as `border`. With a nonzero flag the image is left out
// of the work area, so every pixel sees only the border value.
int CImage2d::Filter(const CImage2d* kernel, float divider, int flag, float border)
{
  if (!CheckKernel(kernel, divider))
    return 0;
  const int kw = kernel->m_Width;
  const int kh = kernel->m_Height;
  const std::vector<float> weights = kernel->m_Data;  // the kernel may be this image
  CImage2d work(m_Trace);
  if (!work.Alloc(m_Width + kw - 1, m_Height + kh - 1, border)) {
    KeepError(work);
    return SetError("Filter : unable to create empty image\n");
  }
  if (flag == 0)
    for (int y = 0; y < m_Height; y++)
      std::copy(m_Data.begin() + static_cast<size_t>(y) * m_Width, m_Data.begin() + static_cast<size_t>(y + 1) * m_Width,
                work.m_Data.begin() + static_cast<size_t>(y + (kh - 1) / 2) * work.m_Width + (kw - 1) / 2);
  Correlate(work.m_Data, work.m_Width, weights, kw, kh, divider, m_Data.data(), m_Width, 0, 0, m_Width, m_Height);
  return 1;
}

// Only the pixels whose window lies inside the image are filtered; the others keep their value.
int CImage2d::Filter(const CImage2d* kernel, float divider)
{
  if (!CheckKernel(kernel, divider))
    return 0;
  const int kw = kernel->m_Width;
  const int kh = kernel->m_Height;
  const std::vector<float> weights = kernel->m_Data;
  const std::vector<float> source = m_Data;
  Correlate(source, m_Width, weights, kw, kh, divider, m_Data.data(), m_Width, (kw - 1) / 2, (kh - 1) / 2,
            m_Width - kw + 1, m_Height - kh + 1);
  return 1;
}

int CImage2d::Smooth(int (CImage2d::*buildKernel)())
{
  CImage2d kernel(m_Trace);
  if (!(kernel.*buildKernel)())
    return KeepError(kernel);
  return Filter(&kernel, static_cast<float>(kernel.Sum()), 0, 0.0f);
}

int CImage2d::SmoothGaussian3x3()
{
  return Smooth(&CImage2d::KernelGaussian3x3);
}

int CImage2d::SmoothGaussian5x5()
{
  return Smooth(&CImage2d::KernelGaussian5x5);
}

int CImage2d::SmoothGaussian7x7()
{
  return Smooth(&CImage2d::KernelGaussian7x7);
}

// Copies of this image filtered with the gradient kernels, the outside taken as the mean.
int CImage2d::FilterGradients(CImage2d& gx, CImage2d& gy, float divider)
{
  CImage2d kx(m_Trace);
  CImage2d ky(m_Trace);
  if (!kx.KernelGradientX() || !ky.KernelGradientY() || !gx.Copy(this) || !gy.Copy(this))
    return SetError("Gradient : unable to create work images\n");
  const float mean = static_cast<float>(Mean());
  if (!gx.Filter(&kx, divider, 0, mean))
    return KeepError(gx);
  if (!gy.Filter(&ky, divider, 0, mean))
    return KeepError(gy);
  return 1;
}

int CImage2d::Gradient(int b)
{
  CImage2d gx(m_Trace);
  CImage2d gy(m_Trace);
  if (!FilterGradients(gx, gy, 1.0f))
    return 0;
  for (size_t i = 0; i < m_Data.size(); i++)
    m_Data[i] = std::sqrt(gx.m_Data[i] * gx.m_Data[i] + gy.m_Data[i] * gy.m_Data[i]);
  if (b != 0)
    return SetBorder(b, 0.0f);
  return 1;
}
