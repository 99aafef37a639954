#include "document/ProgressMessages.h"

#include "platform/core/Status.h"

int EncodingProgress(int nbVertex)
{
  platform::StatusMessage("Encoding...(%d vertices)...", nbVertex);
  return 1;
}

int DecodingProgress(int nbVertex)
{
  platform::StatusMessage("Decoding...%d vertices...", nbVertex);
  return 1;
}
