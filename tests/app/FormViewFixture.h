#pragma once

#include "tests/app/RenderViewFixture.h"

#include "app/FormCommandView.h"
#include "platform/ui/ColorDialog.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QSlider>

#include <optional>
#include <vector>

// A shown child frame with its form; colour dialogs answer from the test and record the
// colour each one was opened with.
class CFormViewFixture : public CRenderViewFixture
{
protected:
  void SetUp() override
  {
    CRenderViewFixture::SetUp();
    if (HasFatalFailure())
      return;
    m_Form = dynamic_cast<CFormCommandView*>(ActiveChild()->GetPane(0, 0));
    ASSERT_NE(m_Form, nullptr);
    platform::SetColorDialogSink([this](platform::COLORREF initial) {
      m_Initial.push_back(initial);
      return m_ColorAnswer;
    });
  }

  void TearDown() override
  {
    platform::SetColorDialogSink({});
    CRenderViewFixture::TearDown();
  }

  QAbstractButton* Button(int id) const { return qobject_cast<QAbstractButton*>(m_Form->Control(id)); }
  QSlider* Slider(int id) const { return qobject_cast<QSlider*>(m_Form->Control(id)); }
  QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(m_Form->Control(id)); }
  std::string Text(int id) const { return Edit(id)->text().toStdString(); }

  // As a person would: the button's click signal runs the handler.
  void Click(int id)
  {
    MarkPaints();
    Button(id)->click();
  }
  // A colour swatch clicked with this answer from the dialog.
  void Pick(int id, std::optional<platform::COLORREF> answer)
  {
    m_ColorAnswer = answer;
    MarkPaints();
    QTest::mouseClick(m_Form->Control(id), Qt::LeftButton);
  }

  // GL state of the render view's context.
  bool IsEnabled(GLenum capability) const
  {
    m_View->makeCurrent();
    return glIsEnabled(capability) == GL_TRUE;
  }
  GLint Integer(GLenum name) const
  {
    m_View->makeCurrent();
    GLint values[4] = {};
    glGetIntegerv(name, values);
    return values[0];
  }

  CFormCommandView* m_Form = nullptr;
  std::optional<platform::COLORREF> m_ColorAnswer;
  std::vector<platform::COLORREF> m_Initial;
};
