#pragma once

#include "platform/core/DeviceContext.h"
#include "platform/ui/Dialog.h"
#include "scene/Image2d.h"
#include "scene/Texture.h"

#include <string>
#include <vector>

class CPaintFrame;
class QPainter;

// "Data analysis": a scattered point set with its triangles seen from above as a height
// image (x and z place a sample, y is its height), with its holes filled, smoothed and saved
// as a bitmap from the dialog's own menu.
class CDlgDataAnalysis : public platform::CDialog
{
public:
  // The survey the dialog reads is of a fixed size.
  static constexpr int kNbPoint = 190618;
  static constexpr int kNbTriangle = 381124;
  static constexpr int kWidth = 1000;
  // Beyond this the picture would take more memory than a survey warrants.
  static constexpr int kMaxHeight = 16000;
  static constexpr float kEmpty = -1.0f;

  CDlgDataAnalysis();

  // "File > Open": asks for the points, then the triangles, and builds both images.
  void OnOpen();
  // Reads both files and builds the images; false, with a message and the previous images
  // kept, when a file is short, a triangle names a point that does not exist or the points
  // span no area in x and z.
  bool Load(const std::string& pointsFile, const std::string& trianglesFile);
  // "File > Save": the picture as "drome_<width>_<height>.bmp" in the current folder.
  bool OnSave() const;
  // "Process > Fill" and "Recursive filling": passes of hole filling; the number of passes
  // that filled something.
  int OnFill();
  int OnRecursiveFill();
  // "Process > Smooth > Gaussain 3x3".
  void OnSmooth();

  const CTexture& GetPicture() const { return m_Picture; }
  const CImage2d& GetHeights() const { return m_Heights; }
  float GetLargestHeight() const { return m_LargestHeight; }
  // Grey level of a height, as the picture shows it.
  int Grey(float height) const;
  // Colour of the picture at column x, row counted from the top.
  platform::ColorRef PictureColor(int x, int row) const;

protected:
  void OnInitDialog() override;
  void OnDestroy() override;

private:
  void Splat(float x, float y, float z, float minX, float rangeX, float minZ, float rangeZ);
  void Refresh();
  void Paint(QPainter& painter) const;
  void BuildMenu();

  CTexture m_Picture;
  CImage2d m_Heights;
  float m_LargestHeight = 0.0f;
  CPaintFrame* m_pFrame = nullptr;
};
