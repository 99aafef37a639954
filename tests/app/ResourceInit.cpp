#include <QtGlobal>

// The button images live in orvane_ui's resources; a test reads them before any frame exists.
void InitButtonImagesForTest()
{
  Q_INIT_RESOURCE(buttons);
}
