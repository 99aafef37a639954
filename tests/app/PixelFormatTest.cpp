#include "tests/app/RenderViewFixture.h"

#include "app/StaticGL.h"

#include <QOpenGLContext>

namespace {

using CPixelFormatTest = CRenderViewFixture;

void ExpectRequested(const QSurfaceFormat& format)
{
  EXPECT_EQ(format.redBufferSize(), 8);
  EXPECT_EQ(format.greenBufferSize(), 8);
  EXPECT_EQ(format.blueBufferSize(), 8);
  EXPECT_EQ(format.alphaBufferSize(), 0);
  EXPECT_EQ(format.depthBufferSize(), 32);
  EXPECT_EQ(format.stencilBufferSize(), 8);
  EXPECT_EQ(format.swapBehavior(), QSurfaceFormat::DoubleBuffer);
  EXPECT_FALSE(format.stereo());
  EXPECT_EQ(format.profile(), QSurfaceFormat::CompatibilityProfile);
}

} // namespace

// Before a view is shown its format is the one it asks for; once shown, what it got.
TEST_F(CPixelFormatTest, EveryOpenGLViewAsksForThirtyTwoBitDepth)
{
  CRenderView view(nullptr);
  ExpectRequested(view.format());
  CStaticGL preview(1000, nullptr);
  ExpectRequested(preview.format());
}

// The display may not offer 32 bits of depth: the view falls back to what it has, keeps a
// context, and its drawing has a depth buffer that orders the faces.
TEST_F(CPixelFormatTest, WhatTheDisplayLacksFallsBackAndTheViewStillDraws)
{
  ASSERT_TRUE(m_View->HasContext());
  ASSERT_TRUE(m_View->MakeCurrent());
  const QSurfaceFormat obtained = QOpenGLContext::currentContext()->format();
  EXPECT_GE(obtained.depthBufferSize(), 16);
  EXPECT_LE(obtained.depthBufferSize(), 32);
  GLint depthBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  EXPECT_GE(depthBits, 16);

  AddBox();
  m_View->RedrawNow();
  EXPECT_GT(CountNotBlack(LastPainted()), 0);
}
